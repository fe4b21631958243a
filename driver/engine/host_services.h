#pragma once
// What the engine asks of the platform around it: the control window's
// existence and timer, and the user-facing notices. The Win32 library frame
// implements these with a real window, a Win32 timer and message boxes; the
// Linux frame with its driver thread and standard error; tests record them.

#include <string_view>

namespace vexla {

class Notifier {
  public:
    virtual ~Notifier() = default;
    // A modal information box with an OK button; returns when dismissed.
    virtual void ShowMessage(std::string_view utf8Text) = 0;
    virtual void Beep() = 0;
    // One line of the diagnostic trace (UTF-8, without its line end): what
    // happened and why, for whoever looks into a problem; never shown.
    virtual void Trace(std::string_view utf8Line) = 0;
};

class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // The control window is created on the calling thread at the first
    // connect and destroyed by the host's final call.
    virtual void CreateControlWindow() = 0;
    virtual void DestroyControlWindow() = 0;
    // The 50 ms timer that drives polling and processing.
    virtual void SetTimerEnabled(bool enabled) = 0;
    // The panel model changed in a way the view must show at once (shown,
    // hidden, moved); texts and grids are picked up on the view's refresh.
    virtual void PanelChanged() = 0;
    // Session end: ask the host's message loop to finish.
    virtual void QuitMessageLoop() = 0;
};

}  // namespace vexla
