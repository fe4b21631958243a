#pragma once
// TMainform: the monitor's one window. It renders the monitor model (grid
// texts, the single-channel button, the hardware controls) and forwards the
// user's clicks and its 50 ms timer to the model's handlers.

#include <windows.h>

#include "monitor/model/monitor_model.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/gdi.h"
#include "ui/win32/object_window.h"
#include "ui/win32/text_grid.h"

namespace vexla::monitor {

class TMainform {
  public:
    static constexpr wchar_t kClassName[] = L"TMainform";
    // The design size of the client area, at 96 dpi.
    static constexpr int kClientWidth = 1001;
    static constexpr int kClientHeight = 405;

    explicit TMainform(host::DriverCalls& driver, uint32_t segment = MonitorModel::kDefaultSegment);
    ~TMainform();
    TMainform(const TMainform&) = delete;
    TMainform& operator=(const TMainform&) = delete;

    // Null when the window could not be created.
    HWND Handle() const { return hwnd_; }
    const MonitorModel& Model() const { return model_; }
    // One tick of Timer1, as the timer runs it (for measurements).
    void Timer1Timer();

  private:
    friend LRESULT CALLBACK ui::ObjectWindowProc<TMainform>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void InitGrid();
    void CreateControls();
    void Command(int id);
    void StringGridDataClick(int col, int row);
    void ShowSingleButton();
    void ShowHardwareControls();
    void FormClose();

    MonitorModel model_;
    HWND hwnd_ = nullptr;
    ui::ChildControls controls_;
    ui::TextGrid grid_;
    ui::GdiFont gridFont_;
    ui::GdiFont controlFont_;
    HICON icon_ = nullptr;
    bool closed_ = false;
};

}  // namespace vexla::monitor
