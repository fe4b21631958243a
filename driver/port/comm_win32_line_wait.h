#pragma once
// How the Windows TComm's receive thread waits for line events, so that a
// test can put in a wait that behaves as Wine's does on a real UART (pending
// until the mask changes, deaf to CancelIoEx): no port a test may open
// shows that. Private to the component and its tests.

#include <windows.h>

namespace vexla::comm {

class LineEventWait {
  public:
    virtual ~LineEventWait() = default;
    // As SetCommMask and WaitCommEvent.
    virtual BOOL SetMask(HANDLE port, DWORD mask) = 0;
    virtual BOOL Wait(HANDLE port, DWORD* mask, OVERLAPPED* overlapped) = 0;
};

// Ports opened after the call wait through `wait` (nullptr: the system's).
// For tests only; `wait` must outlive every port opened with it.
void SetLineEventWaitForTests(LineEventWait* wait);

}  // namespace vexla::comm
