#pragma once
// TForm_Call: the driver's top-level window on the host's GUI thread. It
// owns the 50 ms timer and the tray icon, shows the panel model in real
// controls (the logo, and the notebook with its four pages), and takes
// what the user does with them to the presenter.

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "engine/control_view.h"
#include "panel/control_panel.h"
#include "tray_icon_win32.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/object_window.h"

namespace vexla {

class Driver;
class PanelPresenter;

class TForm_Call {
  public:
    // Shows the model that `panel` keeps and forwards the user's actions to
    // it; the presenter outlives the window.
    explicit TForm_Call(PanelPresenter& panel);
    ~TForm_Call();
    TForm_Call(const TForm_Call&) = delete;
    TForm_Call& operator=(const TForm_Call&) = delete;

    HWND Handle() const { return hwnd_; }
    void SetTimerEnabled(bool enabled);
    // Brings every control in line with the model; what has not changed is
    // left alone, so an idle tick draws nothing.
    void ShowPanel(const ControlPanel& panel);

  private:
    friend LRESULT CALLBACK ui::ObjectWindowProc<TForm_Call>(HWND, UINT, WPARAM, LPARAM);
    // The host's message loop knows nothing of this window: a hook on the
    // thread's queue gives its keys to IsDialogMessage, so Tab, the arrows
    // and the group keys move between the controls as in any dialog.
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    // control_window_controls_win32.cpp: creating the controls.
    void CreateControls();
    void CreatePages();
    void LayOutDataList(const ui::ChildControls& data);
    void CreateRangeLine(HWND page, int line, int top);
    HWND Page(int index) const { return pages_[static_cast<std::size_t>(index)]; }
    HWND Control(int id) const;

    // Rendering, by part of the window.
    void ShowDataList(const ControlPanel& panel);
    void ShowStatus(const ControlPanel& panel);
    void ShowSettings(const ControlPanel& panel);
    void ShowPageControl(const ControlPanel& panel);
    void ShowRange(int line, const RangeControls& range);
    void ShowPort(int index);
    void BringToFront();

    // The user's actions.
    void Command(int id, int code);
    RangeControls RangeState(int line) const;
    // A range line's action, to the handler of line 0 or of line 1.
    using RangeHandler = void (PanelPresenter::*)(Driver&, const RangeControls&);
    void ForwardRange(int line, RangeHandler first, RangeHandler second);
    void AfterAction();
    // Enter in a settings list, or the focus leaving it: what was typed acts.
    void ConfirmTyped(int controlId);

    PanelPresenter& panel_;
    HWND hwnd_ = nullptr;
    HHOOK keyboardHook_ = nullptr;
    UINT dpi_ = 96;
    HWND logo_ = nullptr;
    HWND tab_ = nullptr;
    std::array<HWND, 4> pages_{};
    HICON icon_ = nullptr;
    ui::ChosenFont font_;        // 宋体 12 px, everywhere unless said
    ui::ChosenFont logoFont_;    // 楷体 32 px bold
    ui::ChosenFont speedFont_;   // LabelSpeed, 16 px
    ui::ChosenFont statusFont_;  // StringGridStatus, 14 px
    // Brings the window back after it was hidden; goes with the window.
    std::unique_ptr<TTrayNotifyIcon> tray_;
    bool timerRunning_ = false;
    // Raised while the model is written into the controls: the
    // notifications that causes are not the user's.
    bool rendering_ = false;
    // What the controls show now; empty before the first showing.
    std::optional<ControlPanel> shown_;
    int placedLeft_ = -1;
    int placedTop_ = -1;
    int frontRequests_ = 0;  // the model's count that the window last acted on
};

}  // namespace vexla
