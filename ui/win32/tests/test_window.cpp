#include "test_window.h"

namespace vexla::ui::testing {

namespace {
constexpr wchar_t kClass[] = L"VexlaUiTestWindow";
}

TestWindow::TestWindow(int clientWidth, int clientHeight) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);  // fails harmlessly from the second window on
    // A popup: a window manager does not manage it, so hiding and destroying
    // it wait for nobody (Wine waits up to two seconds for an absent one).
    constexpr DWORD kStyle = WS_POPUP | WS_BORDER;
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    hwnd_ = CreateWindowExW(0, kClass, L"test", kStyle, 10, 10, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, wc.hInstance, this);
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    PumpMessages();
}

TestWindow::~TestWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    PumpMessages();
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NOTIFY && self != nullptr) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == TGN_SELCHANGED)
            self->notifications_.push_back(*reinterpret_cast<const NMTEXTGRID*>(lParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace vexla::ui::testing
