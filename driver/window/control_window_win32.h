#pragma once
// TForm_Call: the driver's top-level window on the host's GUI thread. It
// owns the 50 ms timer and shows the panel model; its controls and drawing
// are rendered from the model by ShowPanel.

#include <windows.h>

#include <memory>
#include <string>

#include "tray_icon_win32.h"

namespace vexla {

struct ControlPanel;
class PanelPresenter;

class TForm_Call {
  public:
    // Shows the model that `panel` keeps; the presenter outlives the window.
    explicit TForm_Call(const PanelPresenter& panel);
    ~TForm_Call();
    TForm_Call(const TForm_Call&) = delete;
    TForm_Call& operator=(const TForm_Call&) = delete;

    HWND Handle() const { return hwnd_; }
    void SetTimerEnabled(bool enabled);
    void ShowPanel(const ControlPanel& panel);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    const PanelPresenter& panel_;
    HWND hwnd_ = nullptr;
    // Brings the window back after it was hidden; goes with the window.
    std::unique_ptr<TTrayNotifyIcon> tray_;
    bool timerRunning_ = false;
    // What the window shows, to skip unchanged updates.
    std::string caption_;
    int placedLeft_ = -1;
    int placedTop_ = -1;
};

}  // namespace vexla
