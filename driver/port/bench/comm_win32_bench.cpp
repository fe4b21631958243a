// The Windows TComm's receive path under Wine, with wine_peer.py as the far
// end (not a test: run it by hand):
//   WINEPREFIX=... python3 tools/testing/wine_peer.py --wine /usr/lib/wine/wine64 -- comm_win32_bench.exe
// Reports bytes per second into OnReceiveData with InputBufferLong 1 and
// 2048, CPU seconds per megabyte of this process, and the round trip of one
// byte through the far end's echo (an upper bound of the receive latency).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "comm.h"

namespace {

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void Command(const std::string& command) {
    std::printf("\n@peer %s\n", command.c_str());
    std::fflush(stdout);
}

void AwaitOk() {
    char answer[64];
    if (!std::fgets(answer, sizeof answer, stdin)) std::exit(2);
}

void PumpUntil(vexla::TComm& comm, const std::function<bool()>& done) {
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
        comm.ProcessNotifications();
    }
}

void Throughput(uint16_t inputBufferLong, size_t total) {
    vexla::TComm comm;
    comm.SetCommName(std::getenv("VEXLA_PEER_PORT"));
    comm.SetInputBufferLong(inputBufferLong);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    size_t received = 0;
    bool hungUp = false;
    comm.OnReceiveData = [&](vexla::TComm&, const uint8_t*, uint16_t length) { received += length; };
    comm.OnRequestHangup = [&](vexla::TComm&) { hungUp = true; };
    comm.OpenPort();
    const double cpuBefore = CpuSeconds();
    const double start = Now();
    // Pump while the far end writes; its "ok" is read afterwards.
    Command("blast " + std::to_string(total));
    PumpUntil(comm, [&] { return received >= total || hungUp; });
    const double seconds = Now() - start;
    const double cpu = CpuSeconds() - cpuBefore;
    AwaitOk();
    comm.ClosePort();
    std::printf("wine InputBufferLong %4u: %10.0f bytes/s (%5.2f x 115,200 B/s), %.3f CPU s/MB%s\n",
                static_cast<unsigned>(inputBufferLong), static_cast<double>(received) / seconds,
                static_cast<double>(received) / seconds / 115200.0, cpu / (static_cast<double>(received) / 1e6),
                hungUp ? " (hang-up!)" : "");
}

void RoundTrip(int samples) {
    vexla::TComm comm;
    comm.SetCommName(std::getenv("VEXLA_PEER_PORT"));
    comm.SetInputBufferLong(1);
    size_t received = 0;
    comm.OnReceiveData = [&](vexla::TComm&, const uint8_t*, uint16_t length) { received += length; };
    comm.OpenPort();
    Command("echo");
    AwaitOk();
    std::vector<double> micros;
    const uint8_t byte = 0x42;
    for (int i = 0; i < samples; ++i) {
        const size_t before = received;
        const double start = Now();
        comm.QueueWrite(&byte, 1);
        PumpUntil(comm, [&] { return received > before; });
        micros.push_back((Now() - start) * 1e6);
    }
    comm.ClosePort();
    std::sort(micros.begin(), micros.end());
    std::printf(
        "wine round trip QueueWrite -> far-end echo -> OnReceiveData, %d samples: median %.0f us, p99 %.0f us\n",
        samples, micros[micros.size() / 2], micros[micros.size() * 99 / 100]);
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 0.5;
    Command("quiet");
    AwaitOk();
    Throughput(1, static_cast<size_t>(megabytes * 1e6));
    Throughput(2048, static_cast<size_t>(megabytes * 4e6));
    RoundTrip(1000);
    std::fflush(stdout);
    return 0;
}
