#include <windows.h>

#include <atomic>

#include "recorder/platform/run_control.h"

namespace vexla::recorder {

namespace {

std::atomic<bool> stopRequested{false};

BOOL WINAPI OnConsoleEvent(DWORD) {
    stopRequested = true;
    // Ctrl+C and Ctrl+Break are ours now; for a closing console the system
    // ends the process after this returns, so give the run time to finish.
    Sleep(200);
    return TRUE;
}

}  // namespace

LocalTime LocalNow() {
    FILETIME utc{};
    GetSystemTimePreciseAsFileTime(&utc);
    FILETIME localFile{};
    FileTimeToLocalFileTime(&utc, &localFile);
    SYSTEMTIME local{};
    FileTimeToSystemTime(&localFile, &local);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    LocalTime t;
    t.year = local.wYear;
    t.month = local.wMonth;
    t.day = local.wDay;
    t.hour = local.wHour;
    t.minute = local.wMinute;
    t.second = local.wSecond;
    t.millisecond = local.wMilliseconds;
    // Whole minutes between the local and the universal clock, in 100 ns units.
    const int64_t offset = ticks(localFile) - ticks(utc);
    t.utcOffsetMinutes = static_cast<int>((offset + (offset >= 0 ? 300000000 : -300000000)) / 600000000);
    return t;
}

int64_t SteadyMilliseconds() {
    return static_cast<int64_t>(GetTickCount64());
}

void CatchStopRequests() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StopRequested() {
    return stopRequested;
}

void WaitUntil(int64_t deadline) {
    while (!StopRequested()) {
        const int64_t left = deadline - SteadyMilliseconds();
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool ErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace vexla::recorder
