// The icon's clicks as the shell reports them, and its tip.

#include "panel/tray_clicks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexla {
namespace {

// One step of a scenario: a shell message, or the click timer's tick.
struct Step {
    uint32_t message;  // 0: the timer elapsed
};

struct Raised {
    int clicks = 0;
    int doubleClicks = 0;
    int timerStarts = 0;
    int popups = 0;
};

Raised Play(const std::vector<Step>& steps, bool menu = false) {
    TrayClicks clicks;
    Raised raised;
    for (const Step& s : steps) {
        const TrayReaction r = s.message == 0 ? clicks.TimerElapsed() : clicks.MouseMessage(s.message, menu);
        raised.clicks += r.click;
        raised.doubleClicks += r.doubleClick;
        raised.timerStarts += r.startTimer;
        raised.popups += r.popupMenu;
    }
    return raised;
}

constexpr uint32_t kDown = kTrayLeftButtonDown, kDouble = kTrayLeftDoubleClick, kRight = kTrayRightButtonDown;
constexpr uint32_t kUp = 0x0202, kMove = 0x0200, kTimer = 0;

TEST(TrayClicks, ASingleClickAfterTheTimeADoubleClickAtOnceAndNeverBoth) {
    const struct {
        const char* what;
        std::vector<Step> steps;
        int clicks, doubleClicks, timerStarts;
    } cases[] = {
        {"single click: raised when the timer elapses", {{kDown}, {kUp}, {kTimer}}, 1, 0, 1},
        {"single click, timer not yet elapsed", {{kDown}, {kUp}}, 0, 0, 1},
        {"double click: at once, and the pending click is cancelled",
         {{kDown}, {kUp}, {kDouble}, {kUp}, {kTimer}},
         0,
         1,
         1},
        {"two separate clicks", {{kDown}, {kUp}, {kTimer}, {kDown}, {kUp}, {kTimer}}, 2, 0, 2},
        {"a second press while the timer runs does not restart it", {{kDown}, {kUp}, {kDown}, {kTimer}}, 1, 0, 1},
        {"after a double click the next single click counts again",
         {{kDown}, {kDouble}, {kTimer}, {kDown}, {kTimer}},
         1,
         1,
         2},
        {"moves and releases alone do nothing", {{kMove}, {kUp}, {kTimer}}, 0, 0, 0},
        {"a stray timer tick raises nothing", {{kTimer}, {kTimer}}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const Raised r = Play(c.steps);
        EXPECT_EQ(r.clicks, c.clicks) << c.what;
        EXPECT_EQ(r.doubleClicks, c.doubleClicks) << c.what;
        EXPECT_EQ(r.timerStarts, c.timerStarts) << c.what;
    }
}

TEST(TrayClicks, ARightClickPopsUpOnlyAnAssignedMenu) {
    EXPECT_EQ(Play({{kRight}}, false).popups, 0);
    EXPECT_EQ(Play({{kRight}}, true).popups, 1);
    const Raised r = Play({{kRight}, {kTimer}}, false);
    EXPECT_EQ(r.clicks + r.doubleClicks + r.timerStarts, 0);
}

TEST(TrayTip, CutToSixtyThreeCharactersNeverInsideOne) {
    const std::string chinese = "数显表段(组)";  // 7 characters, 19 bytes
    const struct {
        std::string hint;
        std::string tip;
    } cases[] = {
        {chinese + "1", chinese + "1"},
        {"", ""},
        {std::string(63, 'a'), std::string(63, 'a')},
        {std::string(64, 'a'), std::string(63, 'a')},
        {std::string(62, 'a') + "段段", std::string(62, 'a') + "段"},
        // An astral character takes two of the shell's units: it does not fit in the last one.
        {std::string(62, 'a') + "\xF0\x9F\x98\x80", std::string(62, 'a')},
        {std::string(61, 'a') + "\xF0\x9F\x98\x80" + "b", std::string(61, 'a') + "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(TrayTip(c.hint), c.tip) << c.hint;
}

}  // namespace
}  // namespace vexla
