#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "publish/network.h"

namespace vexla::publish {

namespace {

Error SystemError(const std::string& what, int code) {
    return Error{what, std::strerror(code), std::error_code(code, std::generic_category())};
}

class PosixTcpLink final : public TcpLink {
  public:
    ~PosixTcpLink() override { Close(); }

    Status Open(const std::string& host, uint16_t port) override {
        Close();
        where_ = host + ":" + std::to_string(port);
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (const int failed = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); failed != 0)
            return Error{host, std::string("cannot find the host: ") + gai_strerror(failed)};
        int lastError = ECONNREFUSED;
        for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
            fd_ = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
            if (fd_ < 0) {
                lastError = errno;
                continue;
            }
            const int one = 1;
            // Small packets (a gauge's reading) go out at once.
            setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            if (connect(fd_, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) break;
            lastError = errno;
            ::close(fd_);
            fd_ = -1;
        }
        freeaddrinfo(found);
        if (fd_ < 0) return SystemError(where_, lastError);
        return Done{};
    }

    Result<bool> Connected() override {
        if (fd_ < 0) return Error{where_, "not connected"};
        if (connected_) return true;
        // Writable once the connect has ended, well or not.
        fd_set write;
        FD_ZERO(&write);
        FD_SET(fd_, &write);
        timeval none{};
        if (select(fd_ + 1, nullptr, &write, nullptr, &none) <= 0) return false;
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) return SystemError(where_, error);
        connected_ = true;
        return true;
    }

    Result<size_t> Send(std::span<const char> bytes) override {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent >= 0) return static_cast<size_t>(sent);
        if (errno == EAGAIN || errno == EWOULDBLOCK) return size_t{0};
        return SystemError(where_, errno);
    }

    Result<size_t> Receive(std::span<char> into) override {
        const ssize_t got = ::recv(fd_, into.data(), into.size(), 0);
        if (got > 0) return static_cast<size_t>(got);
        if (got == 0) return Error{where_, "the broker closed the connection"};
        if (errno == EAGAIN || errno == EWOULDBLOCK) return size_t{0};
        return SystemError(where_, errno);
    }

    void Close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        connected_ = false;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
    std::string where_;
};

}  // namespace

std::unique_ptr<TcpLink> MakeTcpLink() {
    return std::make_unique<PosixTcpLink>();
}

std::string ComputerName() {
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "station";
    std::string text = name;
    // The short name: a plant's topic tree names the PC, not its domain.
    if (const size_t dot = text.find('.'); dot != std::string::npos && dot > 0) text.resize(dot);
    return text;
}

std::string QueueFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/系统配置";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] == '/' ? home : ".") + "/.config/系统配置";
}

}  // namespace vexla::publish
