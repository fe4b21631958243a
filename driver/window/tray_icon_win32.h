#pragma once
// The driver's icon in the notification area. TTrayNotifyIcon is one icon;
// TIconManager is the process's hidden window to which the shell reports
// mouse actions on every icon, created with the first icon on its thread
// (never under the loader lock) and destroyed with the last one. When the
// taskbar is recreated (Explorer restarted) the visible icons are added
// again, so a hidden control window can still be brought back.

// windows.h first: shellapi.h relies on its types.
#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>

#include "panel/tray_clicks.h"

namespace vexla {

// The callback message every icon's reports arrive with; registered when
// the library is loaded ("Ovk.TrayNotifyIconMsg").
UINT TrayCallbackMessage();
void RegisterTrayCallbackMessage();

class TTrayNotifyIcon {
  public:
    TTrayNotifyIcon();
    // Removes the icon from the notification area if it is there.
    ~TTrayNotifyIcon();
    TTrayNotifyIcon(const TTrayNotifyIcon&) = delete;
    TTrayNotifyIcon& operator=(const TTrayNotifyIcon&) = delete;

    // A copy of `icon` (none: the system's logo icon is shown).
    void SetIcon(HICON icon);
    // UTF-8; the shell shows the first 63 characters.
    void SetHint(const std::string& hint);
    void SetIconVisible(bool visible);
    // The menu a right click pops up; none by default (a right click then does nothing).
    void SetPopupMenu(HMENU menu) { popupMenu_ = menu; }

    const std::string& Hint() const { return hint_; }
    bool IconVisible() const { return visible_; }
    UINT Id() const { return id_; }

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

    // From the manager's window.
    void MouseMessage(UINT mouseMessage);
    void ClickTimerElapsed();
    void TaskbarRecreated();

  private:
    void UpdateShell(DWORD operation, UINT flags);

    UINT id_;
    HICON icon_ = nullptr;
    HICON defaultIcon_;
    std::string hint_;
    bool visible_ = false;
    HMENU popupMenu_ = nullptr;
    TrayClicks clicks_;
};

namespace tray {

// The manager's window while an icon exists, else null.
HWND ManagerWindow();

// Tests watch the shell's side through this: every Shell_NotifyIconW call
// goes to `notify` instead while it is set.
using ShellNotify = BOOL (*)(DWORD operation, NOTIFYICONDATAW* data);
void SetShellNotifyForTests(ShellNotify notify);

}  // namespace tray

}  // namespace vexla
