// winsock2.h before windows.h: the other order brings in the old winsock.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "base/win32/system_message.h"
#include "publish/network.h"

namespace vexla::publish {

namespace {

// Winsock for the life of the program; started by the first link.
bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

class WinsockTcpLink final : public TcpLink {
  public:
    ~WinsockTcpLink() override { Close(); }

    Status Open(const std::string& host, uint16_t port) override {
        Close();
        where_ = host + ":" + std::to_string(port);
        if (!StartWinsock()) return SystemError("Winsock", static_cast<DWORD>(WSAGetLastError()));
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (const int failed = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); failed != 0)
            return Error{host, "cannot find the host: " + SystemMessage(static_cast<DWORD>(failed))};
        int lastError = WSAECONNREFUSED;
        for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
            socket_ = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
            if (socket_ == INVALID_SOCKET) {
                lastError = WSAGetLastError();
                continue;
            }
            u_long nonBlocking = 1;
            ioctlsocket(socket_, FIONBIO, &nonBlocking);
            const BOOL one = TRUE;
            // Small packets (a gauge's reading) go out at once.
            setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
            if (connect(socket_, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0 ||
                WSAGetLastError() == WSAEWOULDBLOCK)
                break;
            lastError = WSAGetLastError();
            closesocket(socket_);
            socket_ = INVALID_SOCKET;
        }
        freeaddrinfo(found);
        if (socket_ == INVALID_SOCKET) return SystemError(where_, static_cast<DWORD>(lastError));
        return Done{};
    }

    Result<bool> Connected() override {
        if (socket_ == INVALID_SOCKET) return Error{where_, "not connected"};
        if (connected_) return true;
        // Winsock says a failed connect in the exception set, not the write set.
        fd_set write, failed;
        FD_ZERO(&write);
        FD_ZERO(&failed);
        FD_SET(socket_, &write);
        FD_SET(socket_, &failed);
        timeval none{};
        if (select(0, nullptr, &write, &failed, &none) <= 0) return false;
        int error = 0;
        int size = sizeof error;
        getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        if (FD_ISSET(socket_, &failed) || error != 0)
            return SystemError(where_, static_cast<DWORD>(error != 0 ? error : WSAECONNREFUSED));
        connected_ = true;
        return true;
    }

    Result<size_t> Send(std::span<const char> bytes) override {
        const int sent = ::send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent >= 0) return static_cast<size_t>(sent);
        if (WSAGetLastError() == WSAEWOULDBLOCK) return size_t{0};
        return SystemError(where_, static_cast<DWORD>(WSAGetLastError()));
    }

    Result<size_t> Receive(std::span<char> into) override {
        const int got = ::recv(socket_, into.data(), static_cast<int>(into.size()), 0);
        if (got > 0) return static_cast<size_t>(got);
        if (got == 0) return Error{where_, "the broker closed the connection"};
        if (WSAGetLastError() == WSAEWOULDBLOCK) return size_t{0};
        return SystemError(where_, static_cast<DWORD>(WSAGetLastError()));
    }

    void Close() override {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        socket_ = INVALID_SOCKET;
        connected_ = false;
    }

  private:
    SOCKET socket_ = INVALID_SOCKET;
    bool connected_ = false;
    std::string where_;
};

}  // namespace

std::unique_ptr<TcpLink> MakeTcpLink() {
    return std::make_unique<WinsockTcpLink>();
}

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size) || size == 0) return "station";
    return Narrow(std::wstring_view(name, size));
}

// Beside the driver's configuration, which is always on drive C.
std::string QueueFolder() {
    return "C:\\系统配置";
}

}  // namespace vexla::publish
