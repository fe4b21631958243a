#pragma once
// TComm: the driver's serial port. One interface; comm_win32.cpp and
// comm_posix.cpp implement it, and the build picks one.
//
// Two worker threads (receive, transmit) never call into the component or
// its owner: they post notifications, and the owner thread turns them into
// events when it processes them (Windows: a hidden window pumped by the
// owner's message loop; POSIX: a queue whose descriptor the owner polls).
// So every event runs on the thread that created the component.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vexla {

enum class TDtrControl : uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
// Ordinals are the Win32 codes (parity 0..4, stop bits 0..2, data bits - 5).
enum class TParity : uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : uint8_t { _1, _1_5, _2 };
enum class TByteSize : uint8_t { _5, _6, _7, _8 };

class TComm;

// The buffer of OnReceiveData is released when the handler returns: copy
// what you keep.
using TReceiveDataEvent = std::function<void(TComm& Sender, const uint8_t* Buffer, uint16_t BufferLength)>;
// EventMask: the CE_ line-error flags (CE_RXOVER 1, CE_OVERRUN 2, CE_RXPARITY 4, CE_FRAME 8, CE_BREAK 16).
using TReceiveErrorEvent = std::function<void(TComm& Sender, uint32_t EventMask)>;
// ModemEvent: 8 = carrier detect changed, 4 = ring; both may be set.
using TModemStateChangeEvent = std::function<void(TComm& Sender, uint32_t ModemEvent)>;
using TNotifyEvent = std::function<void(TComm& Sender)>;
using TSendDataEmptyEvent = std::function<void(TComm& Sender)>;
// A diagnostic line (UTF-8) about something the component handled itself,
// raised on the owner thread; without a handler it goes to the debugger
// output (Windows) or nowhere.
using TTraceEvent = std::function<void(TComm& Sender, const std::string& Line)>;

enum class TCommsFailure : uint8_t {
    AlreadyOpen,
    OpenFailed,
    NotCommHandle,
    SetupFailed,
    EventFailed,
    ReadThreadFailed,
    WriteThreadFailed,
};

// The only exception of the component; raised by OpenPort alone.
class ECommsError : public std::runtime_error {
  public:
    explicit ECommsError(TCommsFailure failure);
    // `code`: the system's error behind the failure, as it was when the call failed.
    ECommsError(TCommsFailure failure, std::error_code code);
    TCommsFailure Failure() const { return failure_; }
    // errno (generic category) or GetLastError (system category); empty if the system gave none.
    const std::error_code& Code() const { return code_; }

  private:
    TCommsFailure failure_;
    std::error_code code_;
};

const char* CommsFailureText(TCommsFailure failure);

// Every settable property with the default the constructor gives it.
struct TCommSettings {
    std::string CommName = "COM2";
    uint32_t BaudRate = 9600;
    uint16_t InputBufferLong = 2048;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrEnable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = true;
    bool Outx_XonXoffFlow = true;
    bool Inx_XonXoffFlow = true;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsEnable;
    uint16_t XonLimit = 500;
    uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    char XonChar = 17;   // DC1
    char XoffChar = 19;  // DC3
    char ReplacedChar = 0;
    uint32_t ReadIntervalTimeout = 100;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    // 0: each arrival is read and posted as it comes. Otherwise the receive
    // thread lets bytes gather this long after they start arriving, so that
    // one wake-up, one read and one notification carry many frames.
    uint32_t ReceiveBatchMs = 0;
};

// Receive block size for an InputBufferLong: 0 means the default, and the
// driver's queue (4096 bytes) is the most one read can return.
constexpr uint16_t ReceiveBlockSize(uint16_t inputBufferLong) {
    if (inputBufferLong == 0) return 2048;
    return inputBufferLong > 4096 ? 4096 : inputBufferLong;
}

class TComm {
  public:
    TComm();
    // Closes a port that is still open, then drops undelivered notifications.
    ~TComm();
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Raises ECommsError; after any failure but AlreadyOpen the component is closed.
    void OpenPort();
    // Stops both threads and closes the port; nothing when closed. Notifications
    // posted before it are still delivered afterwards.
    void ClosePort();
    // Copies the bytes into a block for the transmit thread. False (nothing
    // queued) when closed, when Length is 0, or when the block cannot be posted.
    bool QueueWrite(const void* Buffer, uint16_t Length);
    // A device may refuse line settings (a speed it cannot make, a size it
    // lacks); the port stays open with what it had, and LineSettingsError
    // says why until the next apply.
    void ApplyLineSettings();
    void ApplyTimeouts();
    // The system's error (errno or GetLastError) of the last ApplyLineSettings
    // on an open port, empty when the device took every setting.
    const std::error_code& LineSettingsError() const { return lineSettingsError_; }

    bool IsOpen() const;
    bool SendQueueEmpty() const;

    // Raises the events of every notification pending now, on the calling
    // (owner) thread.
    void ProcessNotifications();
    // Queues what the port holds at this moment as receive notifications, in
    // order with the receive thread's, without waiting for its batch: an
    // owner calls it just before it processes the notifications of a tick.
    void CollectReceived();
#if !defined(_WIN32)
    // Readable while notifications are pending: the owner thread polls it.
    int NotificationFd() const;
#endif

    const TCommSettings& Settings() const {
        return settings_;
    }

    const std::string& CommName() const {
        return settings_.CommName;
    }
    uint32_t BaudRate() const {
        return settings_.BaudRate;
    }
    uint16_t InputBufferLong() const {
        return settings_.InputBufferLong;
    }
    bool ParityCheck() const {
        return settings_.ParityCheck;
    }
    bool Outx_CtsFlow() const {
        return settings_.Outx_CtsFlow;
    }
    bool Outx_DsrFlow() const {
        return settings_.Outx_DsrFlow;
    }
    TDtrControl DtrControl() const {
        return settings_.DtrControl;
    }
    bool DsrSensitivity() const {
        return settings_.DsrSensitivity;
    }
    bool TxContinueOnXoff() const {
        return settings_.TxContinueOnXoff;
    }
    bool Outx_XonXoffFlow() const {
        return settings_.Outx_XonXoffFlow;
    }
    bool Inx_XonXoffFlow() const {
        return settings_.Inx_XonXoffFlow;
    }
    bool ReplaceWhenParityError() const {
        return settings_.ReplaceWhenParityError;
    }
    bool IgnoreNullChar() const {
        return settings_.IgnoreNullChar;
    }
    TRtsControl RtsControl() const {
        return settings_.RtsControl;
    }
    uint16_t XonLimit() const {
        return settings_.XonLimit;
    }
    uint16_t XoffLimit() const {
        return settings_.XoffLimit;
    }
    TByteSize ByteSize() const {
        return settings_.ByteSize;
    }
    TParity Parity() const {
        return settings_.Parity;
    }
    TStopBits StopBits() const {
        return settings_.StopBits;
    }
    char XonChar() const {
        return settings_.XonChar;
    }
    char XoffChar() const {
        return settings_.XoffChar;
    }
    char ReplacedChar() const {
        return settings_.ReplacedChar;
    }
    uint32_t ReadIntervalTimeout() const {
        return settings_.ReadIntervalTimeout;
    }
    uint32_t ReadTotalTimeoutMultiplier() const {
        return settings_.ReadTotalTimeoutMultiplier;
    }
    uint32_t ReadTotalTimeoutConstant() const {
        return settings_.ReadTotalTimeoutConstant;
    }
    uint32_t WriteTotalTimeoutMultiplier() const {
        return settings_.WriteTotalTimeoutMultiplier;
    }
    uint32_t WriteTotalTimeoutConstant() const {
        return settings_.WriteTotalTimeoutConstant;
    }
    uint32_t ReceiveBatchMs() const {
        return settings_.ReceiveBatchMs;
    }

    // Plain stores: the name, block size and batch count at the next open,
    // Parity whenever the line settings are next applied.
    void SetCommName(const std::string& value) {
        settings_.CommName = value;
    }
    void SetInputBufferLong(uint16_t value) {
        settings_.InputBufferLong = value;
    }
    void SetParity(TParity value) {
        settings_.Parity = value;
    }
    void SetReceiveBatchMs(uint32_t value) {
        settings_.ReceiveBatchMs = value;
    }

    // The rest reprogram an open port at once, unless the value is unchanged.
    void SetBaudRate(uint32_t value) {
        SetLine(settings_.BaudRate, value);
    }
    void SetParityCheck(bool value) {
        SetLine(settings_.ParityCheck, value);
    }
    void SetOutx_CtsFlow(bool value) {
        SetLine(settings_.Outx_CtsFlow, value);
    }
    void SetOutx_DsrFlow(bool value) {
        SetLine(settings_.Outx_DsrFlow, value);
    }
    void SetDtrControl(TDtrControl value) {
        SetLine(settings_.DtrControl, value);
    }
    void SetDsrSensitivity(bool value) {
        SetLine(settings_.DsrSensitivity, value);
    }
    void SetTxContinueOnXoff(bool value) {
        SetLine(settings_.TxContinueOnXoff, value);
    }
    void SetOutx_XonXoffFlow(bool value) {
        SetLine(settings_.Outx_XonXoffFlow, value);
    }
    void SetInx_XonXoffFlow(bool value) {
        SetLine(settings_.Inx_XonXoffFlow, value);
    }
    void SetReplaceWhenParityError(bool value) {
        SetLine(settings_.ReplaceWhenParityError, value);
    }
    void SetIgnoreNullChar(bool value) {
        SetLine(settings_.IgnoreNullChar, value);
    }
    void SetRtsControl(TRtsControl value) {
        SetLine(settings_.RtsControl, value);
    }
    void SetXonLimit(uint16_t value) {
        SetLine(settings_.XonLimit, value);
    }
    void SetXoffLimit(uint16_t value) {
        SetLine(settings_.XoffLimit, value);
    }
    void SetByteSize(TByteSize value) {
        SetLine(settings_.ByteSize, value);
    }
    void SetStopBits(TStopBits value) {
        SetLine(settings_.StopBits, value);
    }
    void SetXonChar(char value) {
        SetLine(settings_.XonChar, value);
    }
    void SetXoffChar(char value) {
        SetLine(settings_.XoffChar, value);
    }
    void SetReplacedChar(char value) {
        SetLine(settings_.ReplacedChar, value);
    }
    void SetReadIntervalTimeout(uint32_t value) {
        SetTimeout(settings_.ReadIntervalTimeout, value);
    }
    void SetReadTotalTimeoutMultiplier(uint32_t value) {
        SetTimeout(settings_.ReadTotalTimeoutMultiplier, value);
    }
    void SetReadTotalTimeoutConstant(uint32_t value) {
        SetTimeout(settings_.ReadTotalTimeoutConstant, value);
    }
    void SetWriteTotalTimeoutMultiplier(uint32_t value) {
        SetTimeout(settings_.WriteTotalTimeoutMultiplier, value);
    }
    void SetWriteTotalTimeoutConstant(uint32_t value) {
        SetTimeout(settings_.WriteTotalTimeoutConstant, value);
    }

    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;
    TTraceEvent OnTrace;

    struct Impl;  // per platform

  private:
    template <typename T>
    void SetLine(T& field, T value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyLineSettings();
    }
    template <typename T>
    void SetTimeout(T& field, T value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyTimeouts();
    }

    // Called on the owner thread for each notification.
    void Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam, const uint8_t* block);

    TCommSettings settings_;
    std::error_code lineSettingsError_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vexla
