#pragma once
// What the notification-area icon makes of the mouse reports the shell
// sends for it. A single click raises OnClick one double-click time after
// the button went down (so that a double click can still cancel it); a
// double click raises OnDblClick at once and cancels the pending click. The
// Windows icon feeds the shell's messages and its timer in here and carries
// out what comes back.

#include <cstdint>
#include <string>
#include <string_view>

namespace vexla {

// The mouse messages the shell reports for an icon (the Win32 values).
inline constexpr uint32_t kTrayLeftButtonDown = 0x0201;
inline constexpr uint32_t kTrayLeftDoubleClick = 0x0203;
inline constexpr uint32_t kTrayRightButtonDown = 0x0204;

struct TrayReaction {
    bool startTimer = false;   // start the click timer (one double-click time) unless it runs
    bool stopTimer = false;    // stop it
    bool click = false;        // raise OnClick
    bool doubleClick = false;  // raise OnDblClick
    bool popupMenu = false;    // pop the icon's menu up at the cursor
};

class TrayClicks {
  public:
    // `hasPopupMenu`: whether a menu is assigned (the driver assigns none).
    TrayReaction MouseMessage(uint32_t message, bool hasPopupMenu);
    TrayReaction TimerElapsed();
    bool TimerRunning() const { return timerRunning_; }

  private:
    bool timerRunning_ = false;
    bool doubleClickSeen_ = false;
};

// The shell shows at most 63 characters of an icon's tip: the hint cut
// there, never inside a character (UTF-8 in and out).
std::string TrayTip(std::string_view hint);

}  // namespace vexla
