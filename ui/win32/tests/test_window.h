#pragma once
// A real top-level window for the tests to put controls in; it records the
// notifications its children send.

#include <windows.h>

#include <vector>

#include "ui/win32/text_grid.h"

namespace vexla::ui::testing {

class TestWindow {
  public:
    TestWindow(int clientWidth, int clientHeight);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    const std::vector<NMTEXTGRID>& GridNotifications() const { return notifications_; }
    void ClearNotifications() { notifications_.clear(); }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    std::vector<NMTEXTGRID> notifications_;
};

// Handles every message waiting for this thread.
void PumpMessages();

}  // namespace vexla::ui::testing
