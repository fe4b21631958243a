// The notification-area icon on Windows: what it asks of the shell, and what
// the manager's window makes of the shell's mouse reports, pumped on this
// thread as a host's GUI thread pumps them.

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tray_icon_win32.h"

namespace vexla {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct ShellCall {
    DWORD operation;
    UINT flags;
    UINT id;
    HWND window;
    UINT callback;
    HICON icon;
    std::wstring tip;
};

std::vector<ShellCall> calls;

BOOL RecordShell(DWORD operation, NOTIFYICONDATAW* d) {
    calls.push_back({operation, d->uFlags, d->uID, d->hWnd, d->uCallbackMessage, d->hIcon, d->szTip});
    return TRUE;
}

class TrayIcon : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterTrayCallbackMessage();
        calls.clear();
        tray::SetShellNotifyForTests(&RecordShell);
    }
    void TearDown() override { tray::SetShellNotifyForTests(nullptr); }

    // Pumps this thread's messages for `span`, or until `done`.
    template <typename Done>
    static bool PumpUntil(Done done, std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            if (done()) return true;
            Sleep(5);
        }
        return done();
    }
    static void Pump(std::chrono::milliseconds span) {
        PumpUntil([] { return false; }, span);
    }

    static void Report(const TTrayNotifyIcon& icon, UINT mouseMessage) {
        PostMessageW(tray::ManagerWindow(), TrayCallbackMessage(), icon.Id(), mouseMessage);
    }
};

TEST_F(TrayIcon, TheShellSeesAddsModifiesAndTheDeleteAsTheIconChanges) {
    ASSERT_EQ(tray::ManagerWindow(), nullptr) << "no window before the first icon";
    {
        TTrayNotifyIcon icon;
        const HWND manager = tray::ManagerWindow();
        ASSERT_NE(manager, nullptr);
        // Hidden: values are only stored.
        icon.SetHint("数显表段(组)1");
        icon.SetIcon(nullptr);
        EXPECT_TRUE(calls.empty());

        icon.SetIconVisible(true);
        icon.SetIconVisible(true);  // unchanged: no second add
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].operation, DWORD{NIM_ADD});
        EXPECT_EQ(calls[0].flags, UINT{NIF_MESSAGE | NIF_ICON | NIF_TIP});
        EXPECT_EQ(calls[0].tip, L"数显表段(组)1");
        EXPECT_EQ(calls[0].window, manager);
        EXPECT_EQ(calls[0].id, icon.Id());
        EXPECT_EQ(calls[0].callback, RegisterWindowMessageW(L"Ovk.TrayNotifyIconMsg"));
        EXPECT_EQ(calls[0].icon, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WINLOGO)))
            << "no picture: the system's logo";

        icon.SetHint(std::string(70, 'x'));
        icon.SetHint(std::string(70, 'x'));  // unchanged
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1].operation, DWORD{NIM_MODIFY});
        EXPECT_EQ(calls[1].flags, UINT{NIF_TIP});
        EXPECT_EQ(calls[1].tip, std::wstring(63, L'x'));

        icon.SetIcon(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION)));
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_EQ(calls[2].flags, UINT{NIF_ICON});
        EXPECT_NE(calls[2].icon, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WINLOGO)));
        EXPECT_NE(calls[2].icon, nullptr);
    }
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].operation, DWORD{NIM_DELETE}) << "destroying a visible icon removes it";
    EXPECT_EQ(tray::ManagerWindow(), nullptr) << "the window goes with the last icon";
}

TEST_F(TrayIcon, ASingleClickAfterTheDoubleClickTimeADoubleClickAtOnceOnly) {
    TTrayNotifyIcon icon;
    icon.SetIconVisible(true);
    int clicks = 0, doubleClicks = 0;
    icon.OnClick = [&] { ++clicks; };
    icon.OnDblClick = [&] { ++doubleClicks; };
    const auto doubleClickTime = std::chrono::milliseconds(GetDoubleClickTime());

    const auto pressed = Clock::now();
    Report(icon, WM_LBUTTONDOWN);
    Report(icon, WM_LBUTTONUP);
    ASSERT_TRUE(PumpUntil([&] { return clicks > 0; }, doubleClickTime + 2s));
    EXPECT_GE(Clock::now() - pressed, doubleClickTime - 20ms);
    EXPECT_EQ(doubleClicks, 0);

    Report(icon, WM_LBUTTONDOWN);
    Report(icon, WM_LBUTTONUP);
    Report(icon, WM_LBUTTONDBLCLK);
    Report(icon, WM_LBUTTONUP);
    ASSERT_TRUE(PumpUntil([&] { return doubleClicks > 0; }, 1s));
    Pump(doubleClickTime + 300ms);
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(clicks, 1) << "the double click cancelled its pending click";

    // Without a menu a right click does nothing; other reports neither.
    Report(icon, WM_RBUTTONDOWN);
    Report(icon, WM_MOUSEMOVE);
    Pump(doubleClickTime + 300ms);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(TrayIcon, ARecreatedTaskbarGetsTheVisibleIconsBack) {
    TTrayNotifyIcon shown, hidden;
    shown.SetHint("a");
    shown.SetIconVisible(true);
    calls.clear();
    SendMessageW(tray::ManagerWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, DWORD{NIM_ADD});
    EXPECT_EQ(calls[0].id, shown.Id());
    EXPECT_EQ(calls[0].tip, L"a");
}

}  // namespace
}  // namespace vexla
