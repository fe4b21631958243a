// TComm over Win32 overlapped serial I/O. Every result of the worker threads
// travels as a message posted to a hidden message-only window that belongs to
// the owner's thread, so the events run there.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "comm.h"
#include "comm_messages.h"
#include "comm_win32_line_wait.h"

namespace vexla {

namespace {

constexpr UINT kMsgReceiveData = WM_USER + 1;
constexpr UINT kMsgReceiveError = WM_USER + 2;
constexpr UINT kMsgRequestHangup = WM_USER + 3;
constexpr UINT kMsgModemState = WM_USER + 4;
constexpr UINT kMsgSendDataEmpty = WM_USER + 5;
constexpr UINT kMsgWrite = WM_USER + 1;  // thread message to the transmit thread
// To the owner: a closed port has wound down; its outcome waits to be traced.
constexpr UINT kMsgWindDown = WM_USER + 6;
static_assert(kMsgReceiveData == comm::kMsgReceiveData && kMsgSendDataEmpty == comm::kMsgSendDataEmpty);

constexpr DWORD kLineEventMask = EV_RLSD | EV_ERR | EV_RING;  // 0x1A0
constexpr DWORD kQueueSize = 4096;
// The most one receive message carries: what one read returned plus what the
// device had queued behind it, as on POSIX.
constexpr DWORD kChunkSize = 4096;
constexpr wchar_t kWindowClass[] = L"VexlaCommNotify";

// GetLastError as it is right after the call that failed, before cleanup can change it.
std::error_code LastError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

// Closing never hangs on the system: a worker thread gives the system this
// long to let go of its pending operations, and a closed port's threads get
// this long in all before one is abandoned.
constexpr DWORD kWindDownMs = 2000;
constexpr DWORD kJoinLimitMs = 10000;
// ClosePort waits this long for the threads on the owner's thread; longer
// (under Wine on a real UART a line-event wait ignores cancel and mask) they
// wind down on a thread of their own, and the host's GUI thread goes on.
constexpr DWORD kCloseWaitMs = 30;
// The next open waits this long for such a wind-down to close the old handle
// (the port is opened exclusively). Its threads let go of the handle before
// they give the system its time, so this is short unless a thread is stuck
// in a call; then the open gets the system's answer.
constexpr DWORD kReopenWaitMs = kWindDownMs + 1000;

// The port's diagnostic lines go to the owner's trace, or else to the debugger.
void TraceLine(TComm& comm, const std::string& line) {
    if (comm.OnTrace) {
        comm.OnTrace(comm, line);
        return;
    }
    const std::string text = "Vexla: " + line + "\n";
    OutputDebugStringA(text.c_str());
}

class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(HANDLE handle = nullptr) {
        if (handle_) CloseHandle(handle_);
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    // Gives the handle up without closing it: someone may still use it.
    void leak() { handle_ = nullptr; }

  private:
    HANDLE handle_ = nullptr;
};

// Byte blocks that change owner with a message: LocalAlloc'd, zero-filled,
// one byte longer than the data.
struct LocalFreeDeleter {
    void operator()(uint8_t* block) const { LocalFree(block); }
};
using LocalBlock = std::unique_ptr<uint8_t, LocalFreeDeleter>;

LocalBlock AllocBlock(size_t count) {
    return LocalBlock(static_cast<uint8_t*>(LocalAlloc(LPTR, count + 1)));
}

// A thread of ours can still run after DLL_End_Application has returned (a
// port winding down, a thread abandoned), and the host may then FreeLibrary
// the driver. Each holds a reference to the module for its life and drops it
// with FreeLibraryAndExitThread, which never returns into the unmapped code.
HMODULE HoldModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&HoldModule), &module);
    return module;
}

DWORD ExitThreadAndModule(HMODULE module) {
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
}

// CreateThread with the module held for the thread's life; the error of a
// failure stays the last error.
HANDLE CreateModuleThread(LPTHREAD_START_ROUTINE entry, void* arg, DWORD flags, HMODULE& module, DWORD* id) {
    module = HoldModule();
    HANDLE thread = CreateThread(nullptr, 0, entry, arg, flags, id);
    if (!thread && module) {
        const DWORD error = GetLastError();
        FreeLibrary(module);
        SetLastError(error);
    }
    return thread;
}

class SrwGuard {
  public:
    explicit SrwGuard(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~SrwGuard() { ReleaseSRWLockExclusive(&lock_); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

  private:
    SRWLOCK& lock_;
};

// Where the worker threads post to. Shared with them: the component closes
// it before its window goes, so a thread that outlives the component posts
// nothing (a block it could not post it frees itself).
class TPostGate {
  public:
    explicit TPostGate(HWND window) : window_(window) {}
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) {
        SrwGuard guard(lock_);
        return window_ != nullptr && PostMessageW(window_, message, wParam, lParam) != 0;
    }
    void Close() {
        SrwGuard guard(lock_);
        window_ = nullptr;
    }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    HWND window_;
};

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The name in the code page CreateFileA would have used: the system sees
// exactly the name it always saw.
std::wstring PortNameW(const std::string& name) {
    if (name.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return wide;
}

class SystemLineEventWait final : public comm::LineEventWait {
  public:
    BOOL SetMask(HANDLE port, DWORD mask) override { return SetCommMask(port, mask); }
    BOOL Wait(HANDLE port, DWORD* mask, OVERLAPPED* overlapped) override {
        return WaitCommEvent(port, mask, overlapped);
    }
};

// Ports wait through the system's, unless a test has put in its own.
SystemLineEventWait systemLineEventWait;
std::atomic<comm::LineEventWait*> testLineEventWait{nullptr};

comm::LineEventWait& CurrentLineEventWait() {
    comm::LineEventWait* wait = testLineEventWait.load();
    return wait ? *wait : systemLineEventWait;
}

bool Signalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// The milliseconds left of a time limit that several waits share.
class Deadline {
  public:
    explicit Deadline(DWORD ms) : end_(GetTickCount64() + ms) {}
    DWORD Left() const {
        const ULONGLONG now = GetTickCount64();
        return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
    }

  private:
    ULONGLONG end_;
};

// One overlapped operation: its record, its own manual-reset event, and
// whether the system still owns the record (and what it points into).
class TOverlappedOp {
  public:
    bool Create() {
        event_.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
        return static_cast<bool>(event_);
    }
    HANDLE Event() const { return event_.get(); }
    OVERLAPPED* Fresh() {
        std::memset(&record_, 0, sizeof record_);
        record_.hEvent = event_.get();
        return &record_;
    }
    OVERLAPPED* Record() { return &record_; }
    bool pending = false;

    // The system must be done with the record and its buffer before either
    // is freed; PurgeComm does not abort every driver's (or Wine's) I/O.
    // Waits until `deadline` at most: false when the system still holds them.
    bool CancelAndWait(HANDLE port, const Deadline& deadline) {
        if (!pending) return true;
        CancelIoEx(port, &record_);
        if (WaitForSingleObject(event_.get(), deadline.Left()) != WAIT_OBJECT_0) return false;
        DWORD ignored = 0;
        if (!GetOverlappedResult(port, &record_, &ignored, FALSE) && GetLastError() == ERROR_IO_INCOMPLETE) {
            return false;
        }
        pending = false;
        return true;
    }

    // The same in two steps, for a thread that gives up the port's handle
    // between them: the record itself says when the system is done with it.
    void Cancel(HANDLE port) {
        if (pending) CancelIoEx(port, &record_);
    }
    bool AwaitRelease(const Deadline& deadline) {
        if (!pending) return true;
        if (WaitForSingleObject(event_.get(), deadline.Left()) != WAIT_OBJECT_0) return false;
        if (!HasOverlappedIoCompleted(&record_)) return false;
        pending = false;
        return true;
    }

  private:
    UniqueHandle event_;
    OVERLAPPED record_{};
};

// Errors after which waiting again is pointless: the port is being closed.
bool Quiet(DWORD error) {
    return error == ERROR_INVALID_HANDLE;
}

// The owner destroys a thread only after Join succeeded (or when it never
// ran), and leaks one that did not end.
class TCommThread {
  public:
    virtual ~TCommThread() = default;
    bool Create(int priority) {
        released_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!released_) return false;
        handle_.reset(CreateModuleThread(&Entry, this, CREATE_SUSPENDED, module_, &id_));
        if (!handle_) return false;
        SetThreadPriority(handle_.get(), priority);
        return true;
    }
    void Resume() { ResumeThread(handle_.get()); }
    // True when the thread has ended within `ms`.
    bool Join(DWORD ms) { return !handle_ || WaitForSingleObject(handle_.get(), ms) == WAIT_OBJECT_0; }
    // True when the thread makes no more calls on the port within `ms`: its
    // handle may be closed then, though the thread may still run.
    bool ReleasedWithin(DWORD ms) { return !handle_ || WaitForSingleObject(released_.get(), ms) == WAIT_OBJECT_0; }
    // After Join: an operation the system did not let go of, with its record
    // and buffer, which must therefore outlive the thread.
    virtual bool HoldsSystemIo() const = 0;
    HANDLE Handle() const { return handle_.get(); }
    DWORD Id() const { return id_; }

  protected:
    TCommThread(HANDLE port, HANDLE stop, std::shared_ptr<TPostGate> gate)
        : port_(port), stop_(stop), gate_(std::move(gate)) {}
    virtual void Execute() = 0;
    void RequestHangup() { gate_->Post(kMsgRequestHangup, 0, 0); }
    void ReleasePort() { SetEvent(released_.get()); }
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) { return gate_->Post(message, wParam, lParam); }

    HANDLE port_;
    HANDLE stop_;

  private:
    static DWORD WINAPI Entry(void* self) {
        auto* thread = static_cast<TCommThread*>(self);
        const HMODULE module = thread->module_;
        thread->Execute();
        thread->ReleasePort();
        return ExitThreadAndModule(module);
    }
    std::shared_ptr<TPostGate> gate_;
    UniqueHandle released_;
    UniqueHandle handle_;
    HMODULE module_ = nullptr;
    DWORD id_ = 0;
};

class TReadThread final : public TCommThread {
  public:
    TReadThread(HANDLE port, HANDLE stop, std::shared_ptr<TPostGate> gate, uint16_t blockSize, uint32_t batchMs,
                comm::LineEventWait& lineWait)
        : TCommThread(port, stop, std::move(gate)),
          lineWait_(lineWait),
          blockSize_(blockSize),
          batchMs_(batchMs),
          chunk_(kChunkSize) {}
    bool HoldsSystemIo() const override { return line_.pending || read_.pending; }

  private:
    void Execute() override {
        if (line_.Create() && read_.Create()) {
            Run();
        } else {
            RequestHangup();
        }
        // Nothing of ours may be freed while the system still writes into it;
        // what it has not let go of in time the owner keeps (HoldsSystemIo).
        // A pending line-event wait ends the documented way, by a new mask,
        // before anything is cancelled: Wine ignores CancelIoEx on it (on a
        // real UART), and waiting for that cancel never ends.
        if (line_.pending) lineWait_.SetMask(port_, 0);
        read_.Cancel(port_);
        line_.Cancel(port_);
        PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR);
        // The handle may be closed from here on, and the port opened again,
        // while the system takes its time over the records; closing the
        // handle is also what makes Windows end every operation on it.
        ReleasePort();
        const Deadline deadline(kWindDownMs);
        read_.AwaitRelease(deadline);
        line_.AwaitRelease(deadline);
    }

    void Run() {
        // A device that cannot report line events still delivers data.
        lineEvents_ = lineWait_.SetMask(port_, kLineEventMask) != 0;
        if (lineEvents_ && !ArmLineWait()) return;
        if (!StartRead()) return;
        for (;;) {
            // In this order: stop, line events (while the device reports them), read.
            HANDLE handles[3];
            DWORD count = 0;
            handles[count++] = stop_;
            if (lineEvents_) handles[count++] = line_.Event();
            handles[count++] = read_.Event();

            const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
            if (result >= WAIT_OBJECT_0 + count) {
                RequestHangup();
                return;
            }
            const HANDLE signalled = handles[result - WAIT_OBJECT_0];
            if (signalled == stop_) return;
            if (signalled == read_.Event()) {
                if (!ReadCompleted() || !StartRead()) return;
            } else {
                if (!LineWaitCompleted()) return;
                if (lineEvents_ && !ArmLineWait()) return;
            }
        }
    }

    // Under Wine on a pty, and on some USB and virtual ports, the wait is
    // refused or fails on every try: stop waiting for line events.
    void DropLineEvents() { lineEvents_ = false; }

    bool ArmLineWait() {
        while (!Signalled(stop_)) {
            if (lineWait_.Wait(port_, &lineMask_, line_.Fresh())) {
                if (!HandleLineEvent()) return false;
                if (!lineEvents_) return true;
                continue;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                line_.pending = true;
                return true;
            }
            if (Quiet(error)) return false;
            DropLineEvents();
            return true;
        }
        return false;
    }

    bool LineWaitCompleted() {
        line_.pending = false;
        DWORD ignored = 0;
        if (!GetOverlappedResult(port_, line_.Record(), &ignored, FALSE)) {
            if (Quiet(GetLastError())) return false;
            // Whether the device is gone the pending read will tell.
            DropLineEvents();
            return true;
        }
        return HandleLineEvent();
    }

    // False ends the thread (a notification could not be posted, or the
    // port is being closed).
    bool HandleLineEvent() {
        bool reported = false;
        if (lineMask_ & EV_ERR) {
            DWORD errors = 0;
            if (!ClearCommError(port_, &errors, nullptr)) {
                if (Quiet(GetLastError())) return false;
                DropLineEvents();
                return true;
            }
            // None left when the receive path has taken and reported them.
            if (!ReportErrors(errors)) return false;
            reported = true;
        }
        DWORD bits = 0;
        if (lineMask_ & EV_RLSD) bits |= comm::kModemCarrier;
        if (lineMask_ & EV_RING) bits |= comm::kModemRing;
        if (bits) {
            if (!Post(kMsgModemState, 0, static_cast<LPARAM>(bits))) {
                RequestHangup();
                return false;
            }
            reported = true;
        }
        // A completion without any of our events: the device does not do them.
        if (!reported) DropLineEvents();
        return true;
    }

    bool StartRead() {
        while (!Signalled(stop_)) {
            DWORD count = 0;
            if (ReadFile(port_, chunk_.data(), blockSize_, &count, read_.Fresh())) {
                if (!Deliver(count)) return false;
                continue;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                read_.pending = true;
                return true;
            }
            if (!Quiet(error)) RequestHangup();
            return false;
        }
        return false;
    }

    bool ReadCompleted() {
        read_.pending = false;
        DWORD count = 0;
        if (!GetOverlappedResult(port_, read_.Record(), &count, FALSE)) {
            if (!Quiet(GetLastError())) RequestHangup();
            return false;
        }
        return Deliver(count);
    }

    // Every failure, an empty read included, ends the thread with one hang-up
    // request: a vanished device completes reads at once, over and over.
    // The read's bytes go out with what the device has queued behind them,
    // in one message that the owner splits into blocks: with 1-byte blocks a
    // read and a message per byte cannot keep up with a busy line.
    bool Deliver(DWORD count) {
        if (count == 0) {
            RequestHangup();
            return false;
        }
        // Bytes are coming: let the rest of the batch queue up behind them.
        if (batchMs_ > 0 && WaitForSingleObject(stop_, batchMs_) == WAIT_OBJECT_0) return false;
        if (!ReadQueued(count)) return false;
        LocalBlock block = AllocBlock(count);
        if (!block) {
            RequestHangup();
            return false;
        }
        std::memcpy(block.get(), chunk_.data(), count);
        if (!Post(kMsgReceiveData, MAKEWPARAM(count, blockSize_), reinterpret_cast<LPARAM>(block.get()))) {
            RequestHangup();
            return false;
        }
        block.release();  // the notification window owns it now
        return true;
    }

    // Appends to the chunk what the device holds already; such a read ends at
    // once. A device that cannot tell leaves the chunk as it is, and whether
    // it is gone the next read says. False ends the thread.
    bool ReadQueued(DWORD& count) {
        if (count >= kChunkSize) return true;
        COMSTAT status{};
        DWORD errors = 0;
        if (!ClearCommError(port_, &errors, &status)) return true;
        // The call has cleared the flags: a line-event wait will not see them.
        if (!ReportErrors(errors)) return false;
        if (status.cbInQue == 0) return true;
        const DWORD wanted = std::min<DWORD>(status.cbInQue, kChunkSize - count);
        DWORD more = 0;
        if (!ReadFile(port_, chunk_.data() + count, wanted, &more, read_.Fresh())) {
            if (GetLastError() != ERROR_IO_PENDING) return true;
            read_.pending = true;
            HANDLE handles[2] = {stop_, read_.Event()};
            const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (result != WAIT_OBJECT_0 + 1) {
                if (result != WAIT_OBJECT_0) RequestHangup();
                return false;  // the wind-down ends the pending read
            }
            read_.pending = false;
            if (!GetOverlappedResult(port_, read_.Record(), &more, FALSE)) return true;
        }
        count += more;
        return true;
    }

    bool ReportErrors(DWORD errors) {
        if (errors == 0 || Post(kMsgReceiveError, 0, static_cast<LPARAM>(errors))) return true;
        RequestHangup();
        return false;
    }

    comm::LineEventWait& lineWait_;
    DWORD blockSize_;
    DWORD batchMs_;
    std::vector<uint8_t> chunk_;  // written by the pending read
    TOverlappedOp line_;
    TOverlappedOp read_;
    DWORD lineMask_ = 0;  // written by the pending line-event wait
    bool lineEvents_ = false;
};

class TWriteThread final : public TCommThread {
  public:
    TWriteThread(HANDLE port, HANDLE stop, std::shared_ptr<TPostGate> gate, HANDLE ready,
                 std::shared_ptr<std::atomic<bool>> sendQueueEmpty)
        : TCommThread(port, stop, std::move(gate)), ready_(ready), sendQueueEmpty_(std::move(sendQueueEmpty)) {}
    bool HoldsSystemIo() const override { return write_.pending; }

  private:
    void Execute() override {
        // A thread gets its message queue on its first message call; the
        // owner waits for `ready_` so that no early block is refused.
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        SetEvent(ready_);

        if (write_.Create()) {
            Run();
        } else {
            RequestHangup();
        }
        // Blocks queued after the end are the owner's loss, not a leak.
        while (PeekMessageW(&msg, nullptr, kMsgWrite, kMsgWrite, PM_REMOVE)) {
            if (!msg.hwnd) LocalFree(reinterpret_cast<HLOCAL>(msg.lParam));
        }
        PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR);
        *sendQueueEmpty_ = true;
    }

    void Run() {
        bool notify = true;
        for (;;) {
            MSG msg;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                *sendQueueEmpty_ = true;
                if (notify) {
                    if (!Post(kMsgSendDataEmpty, 0, 0)) {
                        RequestHangup();
                        return;
                    }
                    notify = false;
                }
                const DWORD result = MsgWaitForMultipleObjects(1, &stop_, FALSE, INFINITE, QS_ALLINPUT);
                if (result == WAIT_OBJECT_0 + 1) continue;
                if (result != WAIT_OBJECT_0) RequestHangup();
                return;
            }
            LocalBlock block(!msg.hwnd && msg.message == kMsgWrite ? reinterpret_cast<uint8_t*>(msg.lParam) : nullptr);
            if (Signalled(stop_)) return;
            if (msg.hwnd) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                continue;
            }
            if (!block) continue;
            if (!WriteBlock(block.get(), static_cast<DWORD>(msg.wParam))) {
                // The system may still read from a block it did not let go of.
                if (write_.pending) (void)block.release();
                return;
            }
            notify = true;
        }
    }

    bool WriteBlock(const uint8_t* bytes, DWORD length) {
        DWORD offset = 0;
        while (offset < length) {
            DWORD written = 0;
            if (!WriteFile(port_, bytes + offset, length - offset, &written, write_.Fresh())) {
                const DWORD error = GetLastError();
                if (Quiet(error)) return false;
                if (error != ERROR_IO_PENDING) {
                    RequestHangup();
                    return false;
                }
                write_.pending = true;
                HANDLE handles[2] = {stop_, write_.Event()};
                const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
                if (result != WAIT_OBJECT_0 + 1) {
                    write_.CancelAndWait(port_, Deadline(kWindDownMs));
                    if (result != WAIT_OBJECT_0) RequestHangup();
                    return false;
                }
                write_.pending = false;
                if (!GetOverlappedResult(port_, write_.Record(), &written, TRUE)) {
                    if (!Quiet(GetLastError())) RequestHangup();
                    return false;
                }
            }
            // Taking nothing would make this loop spin on a dead device.
            if (written == 0) {
                RequestHangup();
                return false;
            }
            offset += written;
        }
        return true;
    }

    HANDLE ready_;
    std::shared_ptr<std::atomic<bool>> sendQueueEmpty_;  // shared: an abandoned thread may outlive the component
    TOverlappedOp write_;
};

// A closed port: its threads and handles until the threads have ended, and
// what the owner is to be told about them. Ended off the owner's thread when
// it takes longer than kCloseWaitMs; the owner traces the outcome on its own
// thread when it hears kMsgWindDown, or at its next open, close or end.
class TWindDown {
  public:
    UniqueHandle port;
    UniqueHandle stop;
    UniqueHandle writerReady;
    std::unique_ptr<TReadThread> reader;
    std::unique_ptr<TWriteThread> writer;

    bool Stop() {
        if (!reader && !writer) return false;
        SetEvent(stop.get());
        PurgeComm(port.get(), PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        return true;
    }
    bool EndedWithin(DWORD ms) const {
        HANDLE threads[2];
        DWORD count = 0;
        if (reader) threads[count++] = reader->Handle();
        if (writer) threads[count++] = writer->Handle();
        return count == 0 || WaitForMultipleObjects(count, threads, TRUE, ms) == WAIT_OBJECT_0;
    }

    // Closes the port once both threads have let go of it (the next open
    // waits for that), then joins and frees the threads and closes the rest.
    // A thread still running at the deadline is abandoned, and everything it
    // may touch is leaked (the port stays open until the process ends)
    // rather than freed under it; one that ended while the system still
    // holds an operation of it is kept, as the system may still write into
    // it. A line says so.
    void Finish() {
        const bool released = Released(reader) && Released(writer);
        if (released) port.reset();
        SetEvent(portDone_.get());
        bool abandoned = !Retire(reader, "receive");
        abandoned |= !Retire(writer, "transmit");
        if (abandoned) {
            writerReady.leak();
            stop.leak();
            port.leak();
        } else {
            writerReady.reset();
            stop.reset();
            port.reset();
        }
        SrwGuard guard(lock_);
        finished_ = true;
        // Nobody is left to hear it but a debugger.
        if (orphaned_) {
            for (const std::string& line : lines_) OutputDebugStringA(("Vexla: " + line + "\n").c_str());
        }
    }

    // The lines once Finish has run: true and `lines` filled, or false.
    // With `orphan` an unfinished wind-down writes them to the debugger.
    bool TakeLines(std::vector<std::string>& lines, bool orphan = false) {
        SrwGuard guard(lock_);
        if (!finished_) {
            orphaned_ = orphan;
            return false;
        }
        lines = std::move(lines_);
        lines_.clear();
        return true;
    }

    // Off the owner's thread: Finish, then a word to the owner. False when no
    // thread could be made.
    static bool StartRetiring(std::shared_ptr<TWindDown> windDown, std::shared_ptr<TPostGate> gate) {
        if (!windDown->PortDone()) return false;
        auto retiring = std::make_unique<Retiring>(Retiring{std::move(windDown), std::move(gate), nullptr});
        HANDLE thread = CreateModuleThread(&RetireEntry, retiring.get(), 0, retiring->module, nullptr);
        if (!thread) return false;
        (void)retiring.release();  // the thread's now
        CloseHandle(thread);
        return true;
    }

    // Set when the port's handle is closed, or kept for good by an abandoned
    // thread: the next open waits for it.
    HANDLE PortDone() const { return portDone_.get(); }

  private:
    struct Retiring {
        std::shared_ptr<TWindDown> windDown;
        std::shared_ptr<TPostGate> gate;
        HMODULE module;
    };

    static DWORD WINAPI RetireEntry(void* arg) {
        HMODULE module = nullptr;
        {
            std::unique_ptr<Retiring> retiring(static_cast<Retiring*>(arg));
            module = retiring->module;
            retiring->windDown->Finish();
            retiring->gate->Post(kMsgWindDown, 0, 0);
        }
        return ExitThreadAndModule(module);
    }

    template <typename Thread>
    bool Released(const std::unique_ptr<Thread>& thread) {
        return !thread || thread->ReleasedWithin(deadline_.Left());
    }

    template <typename Thread>
    bool Retire(std::unique_ptr<Thread>& thread, const char* name) {
        if (!thread) return true;
        if (!thread->Join(deadline_.Left())) {
            std::string line = name;
            line += " thread did not stop within ";
            line += std::to_string(kJoinLimitMs / 1000);
            line += " s; abandoned";
            Add(std::move(line));
            (void)thread.release();
            return false;
        }
        if (thread->HoldsSystemIo()) {
            std::string line = "a ";
            line += name;
            line += " operation did not end when cancelled; its buffers are kept";
            Add(std::move(line));
            (void)thread.release();
            return true;
        }
        thread.reset();
        return true;
    }

    void Add(std::string line) {
        SrwGuard guard(lock_);
        lines_.push_back(std::move(line));
    }

    const Deadline deadline_{kJoinLimitMs};
    UniqueHandle portDone_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    SRWLOCK lock_ = SRWLOCK_INIT;
    bool finished_ = false;
    bool orphaned_ = false;
    std::vector<std::string> lines_;
};

}  // namespace

struct TComm::Impl {
    explicit Impl(TComm& owner) : comm(owner) {}

    struct Notification {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LocalBlock block;
    };

    TComm& comm;
    HWND window = nullptr;
    UniqueHandle port;
    UniqueHandle stop;
    UniqueHandle writerReady;
    std::shared_ptr<TPostGate> gate;
    std::unique_ptr<TReadThread> reader;
    std::unique_ptr<TWriteThread> writer;
    std::vector<std::shared_ptr<TWindDown>> windDowns;  // closed ports whose threads have not ended yet
    std::shared_ptr<std::atomic<bool>> sendQueueEmpty = std::make_shared<std::atomic<bool>>(true);
    uint16_t blockSize = 2048;
    std::deque<Notification> held;  // taken by a handler's pump, not yet delivered
    bool delivering = false;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == kMsgWindDown) {
            self->ReportWindDowns();
            return 0;
        }
        if (!self || message < kMsgReceiveData || message > kMsgSendDataEmpty) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        // Released after the handlers, whether or not one is assigned.
        LocalBlock block(message == kMsgReceiveData ? reinterpret_cast<uint8_t*>(lParam) : nullptr);
        self->Deliver(Notification{message, wParam, lParam, std::move(block)});
        return 0;
    }

    // A handler that pumps messages would get the later notifications before
    // the rest of a chunk: they wait here for the outer call, in order.
    void Deliver(Notification notification) {
        held.push_back(std::move(notification));
        if (delivering) return;
        delivering = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{delivering};
        while (!held.empty()) {
            const Notification next = std::move(held.front());
            held.pop_front();
            if (next.message == kMsgReceiveData) {
                DeliverChunk(next.block.get(), LOWORD(next.wParam), HIWORD(next.wParam));
            } else {
                comm.Dispatch(next.message, static_cast<uint32_t>(next.wParam), static_cast<uint32_t>(next.lParam),
                              nullptr);
            }
        }
    }

    // One OnReceiveData per block of at most the block size the chunk was
    // read with, in order. Each block ends in a zero byte, as blocks always
    // have: the byte after it is zeroed for the handler, then put back.
    void DeliverChunk(uint8_t* chunk, uint32_t count, uint32_t size) {
        if (!chunk || size == 0) return;
        for (uint32_t offset = 0; offset < count; offset += size) {
            const uint32_t length = std::min(size, count - offset);
            uint8_t* block = chunk + offset;
            const uint8_t after = std::exchange(block[length], uint8_t{0});
            comm.Dispatch(kMsgReceiveData, length, 0, block);
            block[length] = after;
        }
    }

    // Ends the threads, then releases what they used. The owner's thread
    // waits kCloseWaitMs at most: threads still running then wind down on a
    // thread of their own (TWindDown), and the next open waits for them.
    void Shutdown() {
        auto windDown = std::make_shared<TWindDown>();
        windDown->port = std::move(port);
        windDown->stop = std::move(stop);
        windDown->writerReady = std::move(writerReady);
        windDown->reader = std::move(reader);
        windDown->writer = std::move(writer);
        if (windDown->Stop()) {
            // The old flag stays with the transmit thread, which may still set it.
            sendQueueEmpty = std::make_shared<std::atomic<bool>>(true);
            if (!windDown->EndedWithin(kCloseWaitMs) && TWindDown::StartRetiring(windDown, gate)) {
                windDowns.push_back(std::move(windDown));
                return;
            }
        }
        // Quick, or no thread to wind down on: here, bounded by kJoinLimitMs.
        windDown->Finish();
        std::vector<std::string> lines;
        windDown->TakeLines(lines);
        Trace(lines);
    }

    // Waits until every closed port's handle is gone or `ms` have passed.
    void AwaitClosedPorts(DWORD ms) {
        const Deadline deadline(ms);
        for (const auto& windDown : windDowns) WaitForSingleObject(windDown->PortDone(), deadline.Left());
    }

    // Traces the outcome of every finished wind-down; with `orphan` the rest
    // will tell the debugger, as the component is going.
    void ReportWindDowns(bool orphan = false) {
        std::vector<std::string> lines;
        std::erase_if(windDowns, [&](const std::shared_ptr<TWindDown>& windDown) {
            std::vector<std::string> taken;
            if (!windDown->TakeLines(taken, orphan)) return orphan;
            lines.insert(lines.end(), taken.begin(), taken.end());
            return true;
        });
        Trace(lines);
    }

    void Trace(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) TraceLine(comm, line);
    }
};

TComm::TComm() : impl_(std::make_unique<Impl>(*this)) {
    const HINSTANCE module = ThisModule();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Impl::WindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "RegisterClassExW");
    }
    impl_->window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, impl_.get());
    if (!impl_->window) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateWindowExW");
    }
    impl_->gate = std::make_shared<TPostGate>(impl_->window);
}

TComm::~TComm() {
    ClosePort();
    // Threads still winding down post nothing more; what they have to say
    // goes to the debugger (the owner's handler may be gone with it).
    impl_->gate->Close();
    impl_->ReportWindDowns(true);
    // Undelivered blocks would outlive the window that was to release them.
    MSG msg;
    while (PeekMessageW(&msg, impl_->window, kMsgReceiveData, kMsgReceiveData, PM_REMOVE)) {
        LocalFree(reinterpret_cast<HLOCAL>(msg.lParam));
    }
    DestroyWindow(impl_->window);
    // Fails while other components still have windows of the class.
    UnregisterClassW(kWindowClass, ThisModule());
}

bool TComm::IsOpen() const {
    return static_cast<bool>(impl_->port);
}

bool TComm::SendQueueEmpty() const {
    return *impl_->sendQueueEmpty;
}

void TComm::ProcessNotifications() {
    MSG msg;
    while (PeekMessageW(&msg, impl_->window, kMsgReceiveData, kMsgWindDown, PM_REMOVE)) {
        DispatchMessageW(&msg);
    }
}

void TComm::OpenPort() {
    Impl& impl = *impl_;
    if (impl.port) throw ECommsError(TCommsFailure::AlreadyOpen);
    // The port's handle is exclusive: the one of the last close must be gone.
    impl.AwaitClosedPorts(kReopenWaitMs);
    impl.ReportWindDowns();

    UniqueHandle port(CreateFileW(PortNameW(settings_.CommName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  0,  // exclusive: a second open fails
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
    if (!port) throw ECommsError(TCommsFailure::OpenFailed, LastError());
    if (GetFileType(port.get()) != FILE_TYPE_CHAR) {
        throw ECommsError(TCommsFailure::NotCommHandle, LastError());
    }
    if (!SetupComm(port.get(), kQueueSize, kQueueSize)) {
        throw ECommsError(TCommsFailure::SetupFailed, LastError());
    }

    impl.port = std::move(port);
    PurgeComm(impl.port.get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    *impl.sendQueueEmpty = true;
    ApplyTimeouts();  // before the line settings, as the port has always been set up
    ApplyLineSettings();

    auto fail = [&impl](TCommsFailure failure, std::error_code error) {
        impl.Shutdown();
        return ECommsError(failure, error);
    };
    impl.stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!impl.stop) throw fail(TCommsFailure::EventFailed, LastError());
    impl.writerReady.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!impl.writerReady) throw fail(TCommsFailure::EventFailed, LastError());
    impl.blockSize = ReceiveBlockSize(settings_.InputBufferLong);

    impl.reader = std::make_unique<TReadThread>(impl.port.get(), impl.stop.get(), impl.gate, impl.blockSize,
                                                settings_.ReceiveBatchMs, CurrentLineEventWait());
    if (!impl.reader->Create(THREAD_PRIORITY_HIGHEST)) {
        const std::error_code error = LastError();
        impl.reader.reset();
        throw fail(TCommsFailure::ReadThreadFailed, error);
    }
    impl.writer = std::make_unique<TWriteThread>(impl.port.get(), impl.stop.get(), impl.gate, impl.writerReady.get(),
                                                 impl.sendQueueEmpty);
    if (!impl.writer->Create(THREAD_PRIORITY_ABOVE_NORMAL)) {
        const std::error_code error = LastError();
        impl.writer.reset();
        impl.reader->Resume();  // a suspended thread would never see the stop event
        throw fail(TCommsFailure::WriteThreadFailed, error);
    }
    impl.reader->Resume();
    impl.writer->Resume();
    // Until the transmit thread has its message queue, PostThreadMessage
    // would refuse the first block.
    HANDLE handles[2] = {impl.writerReady.get(), impl.writer->Handle()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

// The read thread's pending read returns as soon as a byte comes, and the
// batch interval alone bounds how long the rest waits.
void TComm::CollectReceived() {}

void TComm::ClosePort() {
    impl_->ReportWindDowns();
    if (!impl_->port) return;
    impl_->Shutdown();
}

bool TComm::QueueWrite(const void* Buffer, uint16_t Length) {
    Impl& impl = *impl_;
    if (!impl.writer || Length == 0 || Buffer == nullptr) return false;
    LocalBlock block = AllocBlock(Length);
    if (!block) return false;
    std::memcpy(block.get(), Buffer, Length);
    // Cleared before the post, so the thread's "drained" cannot be overwritten by a stale false.
    const bool wasEmpty = impl.sendQueueEmpty->exchange(false);
    if (!PostThreadMessageW(impl.writer->Id(), kMsgWrite, Length, reinterpret_cast<LPARAM>(block.get()))) {
        *impl.sendQueueEmpty = wasEmpty;
        return false;
    }
    block.release();  // the transmit thread owns it now
    return true;
}

void TComm::ApplyLineSettings() {
    if (!impl_->port) return;
    const TCommSettings& s = settings_;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(impl_->port.get(), &dcb);  // keeps EofChar and EvtChar
    dcb.BaudRate = s.BaudRate;
    dcb.fBinary = TRUE;  // the only mode Windows supports
    dcb.fParity = s.ParityCheck;
    dcb.fOutxCtsFlow = s.Outx_CtsFlow;
    dcb.fOutxDsrFlow = s.Outx_DsrFlow;
    static constexpr DWORD kDtr[] = {DTR_CONTROL_ENABLE, DTR_CONTROL_DISABLE, DTR_CONTROL_HANDSHAKE};
    dcb.fDtrControl = kDtr[static_cast<int>(s.DtrControl) % 3];
    dcb.fDsrSensitivity = s.DsrSensitivity;
    dcb.fTXContinueOnXoff = s.TxContinueOnXoff;
    dcb.fOutX = s.Outx_XonXoffFlow;
    dcb.fInX = s.Inx_XonXoffFlow;
    dcb.fErrorChar = s.ReplaceWhenParityError;
    dcb.fNull = s.IgnoreNullChar;
    static constexpr DWORD kRts[] = {RTS_CONTROL_ENABLE, RTS_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE,
                                     RTS_CONTROL_TOGGLE};
    dcb.fRtsControl = kRts[static_cast<int>(s.RtsControl) % 4];
    dcb.fAbortOnError = FALSE;  // a line error must not stall every read until ClearCommError
    dcb.fDummy2 = 0;
    dcb.XonLim = s.XonLimit;
    dcb.XoffLim = s.XoffLimit;
    dcb.ByteSize = static_cast<BYTE>(static_cast<int>(s.ByteSize) + 5);
    dcb.Parity = static_cast<BYTE>(s.Parity);
    dcb.StopBits = static_cast<BYTE>(s.StopBits);
    dcb.XonChar = s.XonChar;
    dcb.XoffChar = s.XoffChar;
    dcb.ErrorChar = s.ReplacedChar;
    // A driver that refuses a field keeps its own value; the error says so.
    lineSettingsError_ = SetCommState(impl_->port.get(), &dcb) ? std::error_code{} : LastError();
}

void TComm::ApplyTimeouts() {
    if (!impl_->port) return;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = settings_.ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = settings_.ReadTotalTimeoutMultiplier;
    timeouts.ReadTotalTimeoutConstant = settings_.ReadTotalTimeoutConstant;
    timeouts.WriteTotalTimeoutMultiplier = settings_.WriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = settings_.WriteTotalTimeoutConstant;
    SetCommTimeouts(impl_->port.get(), &timeouts);
}

namespace comm {

void SetLineEventWaitForTests(LineEventWait* wait) {
    testLineEventWait = wait;
}

}  // namespace comm

}  // namespace vexla
