// Receive path of TComm over a pty: sustained bytes per second from the far
// end to OnReceiveData, CPU seconds per megabyte of the component and its
// owner (the far end's own writing is not counted), and the latency from the
// far end's write to the owner's event.
//
//   comm_bench [megabytes]    (default 4)

#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "comm.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Pty {
    int master = -1;
    int slave = -1;
    std::string name;
    Pty() {
        openpty(&master, &slave, nullptr, nullptr, nullptr);
        name = ttyname(slave);
    }
    ~Pty() {
        close(master);
        close(slave);
    }
};

void WriteAll(int fd, const uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, bytes, length);
        if (n <= 0) return;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
}

void PumpUntil(vexla::TComm& comm, const std::function<bool()>& done) {
    while (!done()) {
        pollfd fd{comm.NotificationFd(), POLLIN, 0};
        poll(&fd, 1, 1000);
        comm.ProcessNotifications();
    }
}

void Throughput(uint16_t inputBufferLong, size_t total) {
    Pty pty;
    vexla::TComm comm;
    comm.SetCommName(pty.name);
    comm.SetInputBufferLong(inputBufferLong);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    size_t received = 0;
    size_t blocks = 0;
    comm.OnReceiveData = [&](vexla::TComm&, const uint8_t*, uint16_t length) {
        received += length;
        ++blocks;
    };
    comm.OpenPort();

    clockid_t writerClock{};
    std::atomic<bool> writerReady{false};
    const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto start = Clock::now();
    std::thread writer([&] {
        pthread_getcpuclockid(pthread_self(), &writerClock);
        writerReady = true;
        std::vector<uint8_t> chunk(4096);
        for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<uint8_t>(i % 251);
        for (size_t sent = 0; sent < total; sent += chunk.size()) {
            WriteAll(pty.master, chunk.data(), std::min(chunk.size(), total - sent));
        }
    });
    while (!writerReady) std::this_thread::yield();
    PumpUntil(comm, [&] { return received >= total; });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double writerCpu = CpuSeconds(writerClock);
    writer.join();
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore - writerCpu;
    comm.ClosePort();

    const double megabytes = static_cast<double>(total) / 1e6;
    std::printf("InputBufferLong %4u: %10.0f bytes/s (%5.1f x the 115,200 B/s goal), %.3f CPU s/MB, %zu blocks\n",
                static_cast<unsigned>(inputBufferLong), static_cast<double>(total) / seconds,
                static_cast<double>(total) / seconds / 115200.0, cpu / megabytes, blocks);
}

void Latency(int samples) {
    Pty pty;
    vexla::TComm comm;
    comm.SetCommName(pty.name);
    comm.SetInputBufferLong(1);
    std::atomic<int64_t> sentAt{0};
    std::atomic<int> acknowledged{0};
    std::vector<double> micros;
    comm.OnReceiveData = [&](vexla::TComm&, const uint8_t*, uint16_t) {
        const int64_t now = Clock::now().time_since_epoch().count();
        micros.push_back(static_cast<double>(now - sentAt.load()) / 1e3);
        acknowledged.fetch_add(1);
    };
    comm.OpenPort();
    std::thread farEnd([&] {
        const uint8_t byte = 0x42;
        for (int i = 0; i < samples; ++i) {
            // A pause between bytes, so each one meets an idle receiver.
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            sentAt = Clock::now().time_since_epoch().count();
            WriteAll(pty.master, &byte, 1);
            while (acknowledged.load() <= i) std::this_thread::yield();
        }
    });
    PumpUntil(comm, [&] { return static_cast<int>(micros.size()) >= samples; });
    farEnd.join();
    comm.ClosePort();
    std::sort(micros.begin(), micros.end());
    std::printf("latency far-end write -> OnReceiveData, %d samples: median %.0f us, p99 %.0f us, max %.0f us\n",
                samples, micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 4.0;
    const auto total = static_cast<size_t>(megabytes * 1e6);
    Throughput(1, total);
    Throughput(2048, total);
    Latency(2000);
    return 0;
}
