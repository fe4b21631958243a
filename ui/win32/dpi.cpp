#include "ui/win32/dpi.h"

#include "ui/win32/gdi.h"

namespace vexla::ui {

UINT WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    // Looked up, not linked: older systems do not have it.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && hwnd != nullptr) {
        const UINT dpi = getDpiForWindow(hwnd);
        if (dpi != 0) return dpi;
    }
    const WindowDc dc(hwnd);
    const int dpi = dc ? GetDeviceCaps(dc.Get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

int ScaleForDpi(int value96, UINT dpi) {
    return MulDiv(value96, static_cast<int>(dpi == 0 ? kDesignDpi : dpi), static_cast<int>(kDesignDpi));
}

}  // namespace vexla::ui
