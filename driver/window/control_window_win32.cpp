#include "control_window_win32.h"

#include <string>

#include "library_frame.h"
#include "panel/control_panel.h"
#include "panel/driver_texts.h"
#include "panel/panel_presenter.h"
#include "wide_text.h"

namespace vexla {
namespace {

constexpr wchar_t kClassName[] = L"TForm_Call";
constexpr UINT_PTR kPopUpFormTimer = 1;
constexpr int kWidth = 269;  // the page control's 261 plus the frame
constexpr int kHeight = 320;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

void RegisterClassOnce() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(ThisModule(), kClassName, &wc)) return;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window below
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
}

}  // namespace

TForm_Call::TForm_Call(const PanelPresenter& panel) : panel_(panel) {
    RegisterClassOnce();
    // Only the close box: no minimise or maximise button.
    hwnd_ = CreateWindowExW(0, kClassName, Widen(texts::kDesignCaption).c_str(), WS_CAPTION | WS_SYSMENU, 0, 0, kWidth,
                            kHeight, nullptr, nullptr, ThisModule(), nullptr);
    if (hwnd_ == nullptr) return;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm_Call::WindowProc));

    tray_ = std::make_unique<TTrayNotifyIcon>();
    tray_->SetHint(panel_.Model().TrayHint);
    const auto show = [this] {
        RunOnDriver([this](Driver& d) {
            d.ShowCtrlForm();
            ShowPanel(panel_.Model());
        });
    };
    tray_->OnClick = show;
    tray_->OnDblClick = show;
    tray_->SetIconVisible(true);
}

TForm_Call::~TForm_Call() {
    if (hwnd_ == nullptr) return;
    tray_.reset();  // off the notification area first
    SetTimerEnabled(false);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

void TForm_Call::SetTimerEnabled(bool enabled) {
    if (hwnd_ == nullptr || enabled == timerRunning_) return;
    timerRunning_ = enabled;
    if (enabled)
        SetTimer(hwnd_, kPopUpFormTimer, kTimerIntervalMs, nullptr);
    else
        KillTimer(hwnd_, kPopUpFormTimer);
}

void TForm_Call::ShowPanel(const ControlPanel& panel) {
    if (hwnd_ == nullptr) return;
    if (panel.Caption != caption_) {
        caption_ = panel.Caption;
        SetWindowTextW(hwnd_, Widen(caption_).c_str());
    }
    // Only a position the driver sets moves the window; the user may drag it.
    if (panel.Left != placedLeft_ || panel.Top != placedTop_) {
        placedLeft_ = panel.Left;
        placedTop_ = panel.Top;
        SetWindowPos(hwnd_, nullptr, panel.Left, panel.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const bool visible = IsWindowVisible(hwnd_) != FALSE;
    if (panel.Visible && !visible) {
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
    } else if (!panel.Visible && visible) {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

LRESULT CALLBACK TForm_Call::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TForm_Call*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT TForm_Call::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kPopUpFormTimer) {
                RunOnDriver([this](Driver& d) {
                    d.PopUpFormTimerTimer();
                    ShowPanel(panel_.Model());  // the tick rotates the caption, among others
                });
            }
            return 0;
        case WM_CLOSE:
            // Closing only hides; the window lives until the application ends.
            RunOnDriver([](Driver& d) { d.FormClose(); });
            return 0;
        case WM_QUERYENDSESSION: {
            RunOnDriver([](Driver& d) { d.QueryEndSession(); });
            return TRUE;
        }
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vexla
