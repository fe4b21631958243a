// TComm over POSIX terminals (Linux). The owner thread learns of everything
// through a TMessageQueue that it drains; the worker threads wait in poll()
// on their descriptor and the stop descriptor, never in a blocking call that
// the stop signal cannot end.

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "comm.h"
#include "comm_messages.h"
#include "line_events.h"
#include "message_queue.h"
#include "port_path.h"
#include "unique_fd.h"

namespace vexla {

namespace {

// errno as it is right after the call that failed, before anything else can change it.
std::error_code LastErrno() {
    return {errno, std::generic_category()};
}

// The most one read takes; the driver's queue holds no more.
constexpr size_t kReadSize = 4096;

// How often a device with interrupt counters is looked at for line events.
constexpr int kLineSampleMs = 50;

// The stop signal of both threads: an eventfd that stays readable once
// raised (the manual-reset event), plus a flag that the receive loop checks
// between reads without a system call.
class TStopSignal {
  public:
    TStopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    bool Valid() const { return static_cast<bool>(fd_); }
    int Fd() const { return fd_.get(); }
    void Raise() {
        raised_.store(true, std::memory_order_release);
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(fd_.get(), &one, sizeof one);
    }
    bool Raised() const { return raised_.load(std::memory_order_acquire); }

  private:
    UniqueFd fd_;
    std::atomic<bool> raised_{false};
};

int64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

bool PostSimple(TMessageQueue& owner, uint32_t message, uint32_t lParam = 0) {
    return owner.Post(TMessage{message, 0, lParam, nullptr});
}

void RequestHangup(TMessageQueue& owner) {
    PostSimple(owner, comm::kMsgRequestHangup);
}

// Interrupt counters of a real UART; ptys and most USB adapters have none,
// and then there are no line events and reception simply goes on.
class TLineWatch {
  public:
    explicit TLineWatch(int port) : port_(port) { supported_ = Read(last_); }
    bool Supported() const { return supported_; }
    int TimeoutMs() const { return supported_ ? kLineSampleMs : -1; }

    // False only when a notification could not be posted.
    bool Sample(TMessageQueue& owner) {
        if (!supported_) return true;
        const int64_t now = NowMs();
        if (now - lastSample_ < kLineSampleMs) return true;
        lastSample_ = now;
        TLineCounters current;
        if (!Read(current)) {
            supported_ = false;
            return true;
        }
        const TLineEvents events = CompareLineCounters(last_, current);
        last_ = current;
        if (events.errors && !PostSimple(owner, comm::kMsgReceiveError, events.errors)) return false;
        if (events.modem && !PostSimple(owner, comm::kMsgModemState, events.modem)) return false;
        return true;
    }

  private:
    bool Read(TLineCounters& counters) const {
        serial_icounter_struct icount{};
        if (::ioctl(port_, TIOCGICOUNT, &icount) != 0) return false;
        counters.carrier = static_cast<uint32_t>(icount.dcd);
        counters.ring = static_cast<uint32_t>(icount.rng);
        counters.rxOver = static_cast<uint32_t>(icount.buf_overrun);
        counters.overrun = static_cast<uint32_t>(icount.overrun);
        counters.parity = static_cast<uint32_t>(icount.parity);
        counters.frame = static_cast<uint32_t>(icount.frame);
        counters.brk = static_cast<uint32_t>(icount.brk);
        return true;
    }

    int port_;
    bool supported_ = false;
    TLineCounters last_;
    int64_t lastSample_ = 0;
};

class TReadThread {
  public:
    TReadThread(int port, const TStopSignal& stop, TMessageQueue& owner, uint16_t blockSize, uint32_t batchMs)
        : port_(port),
          stop_(stop),
          owner_(owner),
          blockSize_(blockSize),
          batchMs_(batchMs),
          block_(std::max<size_t>(blockSize, kReadSize)),
          thread_([this] { Execute(); }) {}
    ~TReadThread() { thread_.join(); }

    // On the owner thread: what the port holds now, posted at once. A
    // failing read is left to the thread, which ends the link.
    void Collect() {
        const std::lock_guard lock(reading_);
        for (;;) {
            const ssize_t n = ::read(port_, block_.data(), block_.size());
            if (n <= 0 || !Deliver(static_cast<size_t>(n))) return;
        }
    }

  private:
    void Execute() {
        TLineWatch lines(port_);
        bool peerGone = false;  // poll saw a hang-up or error on the port
        // With a batch interval even the first bytes wait for it.
        bool mayRead = batchMs_ == 0;
        while (!stop_.Raised()) {
            ssize_t n = -1;
            int error = EAGAIN;
            if (mayRead) {
                // A read and its post at once, so that the owner's Collect
                // cannot slip its bytes in between.
                const std::lock_guard lock(reading_);
                n = ::read(port_, block_.data(), block_.size());
                error = n < 0 ? errno : 0;
                if (n > 0 && !Deliver(static_cast<size_t>(n))) break;
            }
            mayRead = true;
            if (n > 0) {
                peerGone = false;
                continue;
            }
            if (error == EINTR) continue;
            if (error == EBADF) break;  // the port is being closed
            // End of file, EIO (pty master closed, adapter unplugged), or a
            // device that reports a hang-up but nothing to read: gone.
            if (error != EAGAIN || peerGone) {
                RequestHangup(owner_);
                break;
            }
            pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {port_, POLLIN, 0}};
            if (::poll(fds, 2, lines.TimeoutMs()) < 0) {
                if (errno == EINTR) continue;
                RequestHangup(owner_);
                break;
            }
            if (fds[0].revents) break;
            if (fds[1].revents & POLLNVAL) break;
            if (!lines.Sample(owner_)) {
                RequestHangup(owner_);
                break;
            }
            peerGone = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
            // Bytes are coming: let the rest of the batch gather behind them.
            if (batchMs_ > 0 && (fds[1].revents & POLLIN) && !peerGone) {
                pollfd stop = {stop_.Fd(), POLLIN, 0};
                if (::poll(&stop, 1, static_cast<int>(batchMs_)) > 0) break;
            }
        }
        ::tcflush(port_, TCIFLUSH);
    }

    // What one read returned goes out as blocks of at most the block size,
    // posted together: with 1-byte blocks a read per byte and a wake-up per
    // byte would cap reception at a few times the line rate.
    bool Deliver(size_t count) {
        const uint8_t* bytes = block_.data();
        batch_.clear();
        for (size_t offset = 0; offset < count; offset += blockSize_) {
            const size_t length = std::min<size_t>(blockSize_, count - offset);
            // One extra zero byte after the data, as the blocks have always had.
            auto copy = std::make_unique<uint8_t[]>(length + 1);
            std::memcpy(copy.get(), bytes + offset, length);
            batch_.push_back(TMessage{comm::kMsgReceiveData, static_cast<uint32_t>(length), 0, std::move(copy)});
        }
        if (!owner_.PostAll(batch_)) {
            RequestHangup(owner_);
            return false;
        }
        return true;
    }

    int port_;
    const TStopSignal& stop_;
    TMessageQueue& owner_;
    uint16_t blockSize_;
    uint32_t batchMs_;
    std::mutex reading_;           // one read and its post at a time
    std::vector<uint8_t> block_;   // under reading_
    std::vector<TMessage> batch_;  // under reading_
    std::thread thread_;
};

class TWriteThread {
  public:
    TWriteThread(int port, const TStopSignal& stop, TMessageQueue& owner, TMessageQueue& queue,
                 std::atomic<bool>& sendQueueEmpty)
        : port_(port), stop_(stop), owner_(owner), queue_(queue), sendQueueEmpty_(sendQueueEmpty), thread_([this] {
              Execute();
          }) {}
    ~TWriteThread() { thread_.join(); }

  private:
    void Execute() {
        bool notify = true;
        for (;;) {
            std::optional<TMessage> next = queue_.Take();
            if (!next) {
                sendQueueEmpty_ = true;
                if (notify) {
                    if (!PostSimple(owner_, comm::kMsgSendDataEmpty)) {
                        RequestHangup(owner_);
                        break;
                    }
                    notify = false;
                }
                pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {queue_.Fd(), POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0) {
                    if (errno == EINTR) continue;
                    RequestHangup(owner_);
                    break;
                }
                if (fds[0].revents) break;
                continue;
            }
            if (stop_.Raised()) break;
            if (next->message != comm::kMsgWrite || !next->block) continue;
            if (!WriteBlock(next->block.get(), next->wParam)) break;
            notify = true;
        }
        // Blocks still queued are released; later posts are refused, so
        // QueueWrite reports false once this thread has gone.
        queue_.Close();
        ::tcflush(port_, TCOFLUSH);
        sendQueueEmpty_ = true;
    }

    bool WriteBlock(const uint8_t* bytes, size_t length) {
        size_t offset = 0;
        while (offset < length) {
            const ssize_t n = ::write(port_, bytes + offset, length - offset);
            if (n > 0) {
                offset += static_cast<size_t>(n);
                continue;
            }
            const int error = n == 0 ? EIO : errno;
            if (error == EINTR) continue;
            if (error == EBADF) return false;
            if (error != EAGAIN) {
                RequestHangup(owner_);
                return false;
            }
            pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {port_, POLLOUT, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                RequestHangup(owner_);
                return false;
            }
            if (fds[0].revents) return false;
            if (fds[1].revents & POLLNVAL) return false;
            if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLOUT)) {
                RequestHangup(owner_);
                return false;
            }
        }
        return true;
    }

    int port_;
    const TStopSignal& stop_;
    TMessageQueue& owner_;
    TMessageQueue& queue_;
    std::atomic<bool>& sendQueueEmpty_;
    std::thread thread_;
};

speed_t SpeedCode(uint32_t baud, bool& known) {
    struct Entry {
        uint32_t rate;
        speed_t code;
    };
    static constexpr Entry kSpeeds[] = {
        {50, B50},           {75, B75},         {110, B110},         {134, B134},         {150, B150},
        {200, B200},         {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
        {2400, B2400},       {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
        {57600, B57600},     {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000},
    };
    for (const Entry& entry : kSpeeds) {
        if (entry.rate == baud) {
            known = true;
            return entry.code;
        }
    }
    known = false;
    return B0;
}

}  // namespace

struct TComm::Impl {
    TMessageQueue owner;         // the notification "window"
    std::deque<TMessage> taken;  // taken from `owner`, not yet raised
    UniqueFd port;
    std::unique_ptr<TStopSignal> stop;
    std::unique_ptr<TMessageQueue> transmitQueue;
    std::unique_ptr<TReadThread> reader;
    std::unique_ptr<TWriteThread> writer;
    std::atomic<bool> sendQueueEmpty{true};
    uint16_t blockSize = 2048;

    // Ends the threads, then releases the port: nothing a thread uses is
    // freed before it has ended.
    void Shutdown() {
        if (reader) {
            stop->Raise();
            ::tcflush(port.get(), TCIFLUSH);
            reader.reset();
        }
        if (writer) {
            stop->Raise();
            ::tcflush(port.get(), TCOFLUSH);
            sendQueueEmpty = true;
            writer.reset();
        }
        transmitQueue.reset();
        stop.reset();
        if (port) ::ioctl(port.get(), TIOCNXCL);  // the tty may outlive us in other hands
        port.reset();                             // also drops the flock
    }
};

TComm::TComm() : impl_(std::make_unique<Impl>()) {}

TComm::~TComm() {
    ClosePort();
}

bool TComm::IsOpen() const {
    return static_cast<bool>(impl_->port);
}

bool TComm::SendQueueEmpty() const {
    return impl_->sendQueueEmpty;
}

int TComm::NotificationFd() const {
    return impl_->owner.Fd();
}

void TComm::ProcessNotifications() {
    // Raised from the front of `taken`, so a handler that processes
    // notifications itself keeps the order.
    Impl& impl = *impl_;
    for (;;) {
        if (impl.taken.empty() && !impl.owner.TakeAll(impl.taken)) return;
        TMessage next = std::move(impl.taken.front());
        impl.taken.pop_front();
        Dispatch(next.message, next.wParam, next.lParam, next.block.get());
    }
}

void TComm::OpenPort() {
    if (IsOpen()) throw ECommsError(TCommsFailure::AlreadyOpen);
    Impl& impl = *impl_;

    const std::string path = ResolvePortPath(settings_.CommName, DefaultConfigHome());
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) throw ECommsError(TCommsFailure::OpenFailed, LastErrno());
    // TIOCEXCL does not stop root, the flock stops every other TComm.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) throw ECommsError(TCommsFailure::OpenFailed, LastErrno());
    if (!::isatty(fd.get())) throw ECommsError(TCommsFailure::NotCommHandle, LastErrno());
    if (::ioctl(fd.get(), TIOCEXCL) != 0) throw ECommsError(TCommsFailure::OpenFailed, LastErrno());
    termios probe{};
    if (::tcgetattr(fd.get(), &probe) != 0) {
        const std::error_code error = LastErrno();
        ::ioctl(fd.get(), TIOCNXCL);
        throw ECommsError(TCommsFailure::SetupFailed, error);
    }

    impl.port = std::move(fd);
    ::tcflush(impl.port.get(), TCIOFLUSH);
    impl.sendQueueEmpty = true;
    ApplyTimeouts();
    ApplyLineSettings();

    auto fail = [&impl](TCommsFailure failure, std::error_code error) {
        impl.Shutdown();
        return ECommsError(failure, error);
    };
    impl.stop = std::make_unique<TStopSignal>();
    if (!impl.stop->Valid()) throw fail(TCommsFailure::EventFailed, LastErrno());
    try {
        impl.transmitQueue = std::make_unique<TMessageQueue>();
    } catch (const std::system_error& e) {
        throw fail(TCommsFailure::EventFailed, e.code());
    }
    impl.blockSize = ReceiveBlockSize(settings_.InputBufferLong);

    try {
        impl.reader = std::make_unique<TReadThread>(impl.port.get(), *impl.stop, impl.owner, impl.blockSize,
                                                    settings_.ReceiveBatchMs);
    } catch (const std::system_error& e) {
        throw fail(TCommsFailure::ReadThreadFailed, e.code());
    }
    // The transmit queue exists before the thread starts, so a block queued
    // right after OpenPort returns is never lost.
    try {
        impl.writer = std::make_unique<TWriteThread>(impl.port.get(), *impl.stop, impl.owner, *impl.transmitQueue,
                                                     impl.sendQueueEmpty);
    } catch (const std::system_error& e) {
        throw fail(TCommsFailure::WriteThreadFailed, e.code());
    }
}

void TComm::CollectReceived() {
    if (impl_->reader) impl_->reader->Collect();
}

void TComm::ClosePort() {
    if (!IsOpen()) return;
    impl_->Shutdown();
}

bool TComm::QueueWrite(const void* Buffer, uint16_t Length) {
    Impl& impl = *impl_;
    if (!impl.writer || Length == 0 || Buffer == nullptr) return false;
    auto block = std::make_unique<uint8_t[]>(size_t{Length} + 1);
    std::memcpy(block.get(), Buffer, Length);
    // Cleared before the post, so the thread's "drained" cannot be overwritten by a stale false.
    const bool wasEmpty = impl.sendQueueEmpty.exchange(false);
    if (!impl.transmitQueue->Post(TMessage{comm::kMsgWrite, Length, 0, std::move(block)})) {
        impl.sendQueueEmpty = wasEmpty;
        return false;
    }
    return true;
}

void TComm::ApplyLineSettings() {
    Impl& impl = *impl_;
    if (!impl.port) return;
    const int fd = impl.port.get();
    const TCommSettings& s = settings_;
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        lineSettingsError_ = LastErrno();
        return;
    }
    lineSettingsError_.clear();

    cfmakeraw(&tio);                // binary: no echo, no line editing, no translation
    tio.c_cflag |= CLOCAL | CREAD;  // ignore modem lines for open/read; enable the receiver
    tio.c_cflag &= ~HUPCL;          // closing must not drop DTR under the gauges
    tio.c_cc[VMIN] = 1;             // poll() decides when to read; a read returns what is there
    tio.c_cc[VTIME] = 0;

    bool known = false;
    const speed_t speed = SpeedCode(s.BaudRate, known);
    if (known) {  // an unlisted rate keeps the current speed rather than hang up the line (B0)
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    } else {
        lineSettingsError_ = std::make_error_code(std::errc::invalid_argument);
    }

    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | kSizes[static_cast<int>(s.ByteSize) & 3];

    tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (s.Parity) {
        case TParity::None:
            break;
        case TParity::Odd:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case TParity::Even:
            tio.c_cflag |= PARENB;
            break;
        case TParity::Mark:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case TParity::Space:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
    }
    // Checked bytes that fail arrive as NUL: the only replacement a terminal offers.
    if (s.ParityCheck) tio.c_iflag |= INPCK;
    // No 1.5 on POSIX: a UART sends 1.5 stop bits for CSTOPB with 5 data bits.
    if (s.StopBits != TStopBits::_1)
        tio.c_cflag |= CSTOPB;
    else
        tio.c_cflag &= ~CSTOPB;

    // Linux has one flag for CTS output flow and RTS input handshake.
    if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake)
        tio.c_cflag |= CRTSCTS;
    else
        tio.c_cflag &= ~CRTSCTS;
    if (s.Outx_XonXoffFlow)
        tio.c_iflag |= IXON;
    else
        tio.c_iflag &= ~IXON;
    if (s.Inx_XonXoffFlow)
        tio.c_iflag |= IXOFF;
    else
        tio.c_iflag &= ~IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);

    // tcsetattr succeeds when any part was taken: read back what the
    // device holds now to see whether the speed, size, parity and stop bits
    // all were.
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    termios held{};
    if (::tcsetattr(fd, TCSANOW, &tio) != 0 || ::tcgetattr(fd, &held) != 0) {
        lineSettingsError_ = LastErrno();
    } else if ((held.c_cflag & kFraming) != (tio.c_cflag & kFraming) || cfgetospeed(&held) != cfgetospeed(&tio)) {
        lineSettingsError_ = std::make_error_code(std::errc::invalid_argument);
    }

    // Ptys have no modem lines: their refusal is expected and ignored.
    int dtr = TIOCM_DTR;
    ::ioctl(fd, s.DtrControl == TDtrControl::DtrDisable ? TIOCMBIC : TIOCMBIS, &dtr);
    if (s.RtsControl != TRtsControl::RtsHandshake) {
        int rts = TIOCM_RTS;
        ::ioctl(fd, s.RtsControl == TRtsControl::RtsDisable ? TIOCMBIC : TIOCMBIS, &rts);
    }
}

void TComm::ApplyTimeouts() {
    // Reads return what has arrived (VMIN 1, VTIME 0) and writes never time
    // out: the Windows timeouts have no terminal counterpart.
}

}  // namespace vexla
