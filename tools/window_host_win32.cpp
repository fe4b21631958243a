// vexla_window_host: a GUI host for looking at the driver's control window.
// It loads Vexla.dll, fetches data every 50 ms as the host programs do (the
// first call connects with the configuration file's port), brings the
// window up on the page asked for, and pumps messages until its time is up.
//
//   vexla_window_host.exe [--page 0..3|none] [--seconds N]
//
// It prints "window: LEFT TOP RIGHT BOTTOM" once the page shows, so that a
// script can crop a screenshot to the window, and a line for each control.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "host/driver_library.h"

namespace {

using vexla::host::Export;
constexpr Export kUsed[] = {Export::GetNewData32Ch, Export::GetReFlashRate32, Export::ShowCtrlForm,
                            Export::DLL_End_Application};

// Callbacks of their own: a lambda has no stdcall conversion on 32-bit x86.
BOOL CALLBACK TakeControlWindow(HWND window, LPARAM out) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wcscmp(name, L"TForm_Call") != 0) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    RECT c{};
    GetWindowRect(child, &c);
    std::printf("child: %d %ls %s %ld %ld %ld %ld\n", GetDlgCtrlID(child), name,
                IsWindowVisible(child) ? "shown" : "hidden", c.left, c.top, c.right, c.bottom);
    return TRUE;
}

HWND FindControlWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &TakeControlWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int page = 0;
    double seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--page") == 0)
            page = std::wcscmp(argv[i + 1], L"none") == 0 ? -1 : _wtoi(argv[i + 1]);
        if (std::wcscmp(argv[i], L"--seconds") == 0) seconds = _wtof(argv[i + 1]);
    }
    if (page > 3) page = 0;

    vexla::host::DriverLibrary library(vexla::host::LibraryBesideProgram());
    const auto bound = library.Bind(kUsed);
    if (!bound) {
        std::fprintf(stderr, "%s\n", bound.Failure().Text().c_str());
        return 1;
    }
    const auto getData = bound->GetNewData32Ch;
    const auto getRates = bound->GetReFlashRate32;
    const auto show = bound->ShowCtrlForm;
    const auto end = bound->DLL_End_Application;

    const DWORD start = GetTickCount();
    DWORD nextFetch = start;
    bool pageShown = false;
    while (GetTickCount() - start < static_cast<DWORD>(seconds * 1000)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            if (!IsDialogMessageW(GetActiveWindow(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (GetTickCount() - nextFetch < 0x80000000u) {
            nextFetch += 50;
            int32_t rates[32];
            VexlaDataBlock32 block{};
            getRates(rates);
            getData(&block);
        }
        // After the start-up phase: the window up, on the page asked for, as a user would turn to it.
        if (!pageShown && page >= 0 && GetTickCount() - start > 2500) {
            show();
            if (const HWND window = FindControlWindow()) {
                const HWND tab = GetDlgItem(window, 102);
                TabCtrl_SetCurSel(tab, page);
                NMHDR notify{tab, 102, static_cast<UINT>(TCN_SELCHANGE)};
                SendMessageW(window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&notify));
                RECT r{};
                GetWindowRect(window, &r);
                std::printf("window: %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
                EnumChildWindows(window, &PrintChild, 0);
                std::fflush(stdout);
                pageShown = true;
            }
        }
        // Until the next fetch or a message, as a host on a 50 ms timer waits.
        const DWORD untilFetch = nextFetch - GetTickCount();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, untilFetch < 0x80000000u ? std::min<DWORD>(untilFetch, 50) : 0,
                                  QS_ALLINPUT);
    }
    end();
    return 0;
}
