#include "tray_icon_win32.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "base/win32/wide_text.h"

namespace vexla {
namespace {

constexpr wchar_t kManagerClass[] = L"VexlaTrayIconManager";

UINT callbackMessage = 0;
tray::ShellNotify shellForTests = nullptr;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

BOOL ShellNotify(DWORD operation, NOTIFYICONDATAW* data) {
    return shellForTests != nullptr ? shellForTests(operation, data) : Shell_NotifyIconW(operation, data);
}

// The hidden window and the icons it serves. Lives while any icon does.
class TIconManager {
  public:
    static TIconManager& Instance() {
        static TIconManager manager;
        return manager;
    }

    HWND Window() const { return hwnd_; }

    UINT Add(TTrayNotifyIcon* icon) {
        if (icons_.empty()) Create();
        icons_.push_back(icon);
        return ++lastId_;
    }

    void Remove(TTrayNotifyIcon* icon) {
        icons_.erase(std::remove(icons_.begin(), icons_.end(), icon), icons_.end());
        if (icons_.empty()) Destroy();
    }

  private:
    void Create() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (!GetClassInfoExW(ThisModule(), kManagerClass, &wc)) {
            wc.lpfnWndProc = &TIconManager::WindowProc;
            wc.hInstance = ThisModule();
            wc.lpszClassName = kManagerClass;
            RegisterClassExW(&wc);
        }
        // Top-level (not message-only): the shell's "TaskbarCreated" is a
        // broadcast, which message-only windows never receive.
        hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kManagerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                ThisModule(), nullptr);
        taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
        if (callbackMessage == 0) RegisterTrayCallbackMessage();
    }

    void Destroy() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }

    TTrayNotifyIcon* Find(UINT id) const {
        for (TTrayNotifyIcon* icon : icons_)
            if (icon->Id() == id) return icon;
        return nullptr;
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        TIconManager& self = Instance();
        if (message == callbackMessage && callbackMessage != 0) {
            if (TTrayNotifyIcon* icon = self.Find(static_cast<UINT>(wParam)))
                icon->MouseMessage(static_cast<UINT>(lParam & 0xFFFF));
            return 0;
        }
        if (message == WM_TIMER) {
            if (TTrayNotifyIcon* icon = self.Find(static_cast<UINT>(wParam))) icon->ClickTimerElapsed();
            return 0;
        }
        if (message == self.taskbarCreated_ && self.taskbarCreated_ != 0) {
            // A copy: a handler may add or remove icons.
            const std::vector<TTrayNotifyIcon*> icons = self.icons_;
            for (TTrayNotifyIcon* icon : icons) icon->TaskbarRecreated();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
    UINT taskbarCreated_ = 0;
    UINT lastId_ = 0;
    std::vector<TTrayNotifyIcon*> icons_;
};

}  // namespace

UINT TrayCallbackMessage() {
    return callbackMessage;
}

void RegisterTrayCallbackMessage() {
    callbackMessage = RegisterWindowMessageW(L"Ovk.TrayNotifyIconMsg");
}

TTrayNotifyIcon::TTrayNotifyIcon()
    : id_(TIconManager::Instance().Add(this)),
      defaultIcon_(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WINLOGO))) {}

TTrayNotifyIcon::~TTrayNotifyIcon() {
    SetIconVisible(false);
    KillTimer(TIconManager::Instance().Window(), id_);
    if (icon_ != nullptr) DestroyIcon(icon_);
    TIconManager::Instance().Remove(this);
}

void TTrayNotifyIcon::SetIcon(HICON icon) {
    if (icon_ != nullptr) DestroyIcon(icon_);
    icon_ = icon != nullptr ? CopyIcon(icon) : nullptr;
    if (visible_) UpdateShell(NIM_MODIFY, NIF_ICON);
}

void TTrayNotifyIcon::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    if (visible_) UpdateShell(NIM_MODIFY, NIF_TIP);
}

void TTrayNotifyIcon::SetIconVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    UpdateShell(visible ? NIM_ADD : NIM_DELETE, NIF_MESSAGE | NIF_ICON | NIF_TIP);
}

void TTrayNotifyIcon::MouseMessage(UINT mouseMessage) {
    const TrayReaction r = clicks_.MouseMessage(mouseMessage, popupMenu_ != nullptr);
    const HWND manager = TIconManager::Instance().Window();
    if (r.startTimer) SetTimer(manager, id_, GetDoubleClickTime(), nullptr);
    if (r.doubleClick && OnDblClick) OnDblClick();
    if (r.popupMenu) {
        // The documented dance: foreground first, or the menu will not close
        // when the user clicks elsewhere; a message afterwards for the same reason.
        SetForegroundWindow(manager);
        POINT at{};
        GetCursorPos(&at);
        TrackPopupMenu(popupMenu_, 0, at.x, at.y, 0, manager, nullptr);
        PostMessageW(manager, WM_USER, 0, 0);
    }
}

void TTrayNotifyIcon::ClickTimerElapsed() {
    const TrayReaction r = clicks_.TimerElapsed();
    if (r.stopTimer) KillTimer(TIconManager::Instance().Window(), id_);
    if (r.click && OnClick) OnClick();
}

void TTrayNotifyIcon::TaskbarRecreated() {
    if (visible_) UpdateShell(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
}

void TTrayNotifyIcon::UpdateShell(DWORD operation, UINT flags) {
    NOTIFYICONDATAW data{};
    // The first form of the record: icon, message and a tip of 63 characters are all we use.
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = TIconManager::Instance().Window();
    data.uID = id_;
    data.uFlags = flags;
    data.uCallbackMessage = callbackMessage;
    data.hIcon = icon_ != nullptr ? icon_ : defaultIcon_;
    const std::wstring tip = Widen(TrayTip(hint_));
    wcsncpy(data.szTip, tip.c_str(), 63);
    data.szTip[63] = L'\0';
    ShellNotify(operation, &data);  // a refusal leaves the icon missing, as nothing can be done about it
}

namespace tray {

HWND ManagerWindow() {
    return TIconManager::Instance().Window();
}

void SetShellNotifyForTests(ShellNotify notify) {
    shellForTests = notify;
}

}  // namespace tray

}  // namespace vexla
