#include "panel/tray_clicks.h"

namespace vexla {

TrayReaction TrayClicks::MouseMessage(uint32_t message, bool hasPopupMenu) {
    TrayReaction r;
    switch (message) {
        case kTrayLeftButtonDown:
            // A timer that already runs keeps counting from the first press.
            r.startTimer = !timerRunning_;
            timerRunning_ = true;
            break;
        case kTrayLeftDoubleClick:
            doubleClickSeen_ = true;
            r.doubleClick = true;
            break;
        case kTrayRightButtonDown:
            r.popupMenu = hasPopupMenu;
            break;
        default:
            break;
    }
    return r;
}

TrayReaction TrayClicks::TimerElapsed() {
    TrayReaction r;
    if (!timerRunning_) return r;  // a late tick of a timer already stopped
    timerRunning_ = false;
    r.stopTimer = true;
    r.click = !doubleClickSeen_;
    doubleClickSeen_ = false;
    return r;
}

std::string TrayTip(std::string_view hint) {
    constexpr int kMaxCharacters = 63;
    std::size_t end = 0;
    for (int characters = 0; end < hint.size() && characters < kMaxCharacters; ++characters) {
        // Step over one UTF-8 sequence (its continuation bytes are 10xxxxxx);
        // an astral character counts twice, as the shell counts UTF-16 units.
        const auto lead = static_cast<unsigned char>(hint[end]);
        std::size_t next = end + 1;
        while (next < hint.size() && (static_cast<unsigned char>(hint[next]) & 0xC0) == 0x80) ++next;
        if (lead >= 0xF0 && ++characters == kMaxCharacters) break;
        end = next;
    }
    return std::string(hint.substr(0, end));
}

}  // namespace vexla
