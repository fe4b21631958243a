#pragma once
// The station's setup: a modal dialog over its owner, every setting in one
// field, in tab order from the segment down to the language. OK hands the
// settings to `apply`; when that fails the dialog says why and stays.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/result.h"
#include "station/model/station_settings.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/gdi.h"
#include "ui/win32/object_window.h"
#include "window_texts.h"

namespace vexla::station {

using ApplySettings = std::function<Status(const StationSettings&)>;

class SetupDialog {
  public:
    static constexpr wchar_t kClassName[] = L"VexlaStationSetup";

    SetupDialog(HWND owner, const StationSettings& current, ApplySettings apply);
    ~SetupDialog();
    SetupDialog(const SetupDialog&) = delete;
    SetupDialog& operator=(const SetupDialog&) = delete;

    // The window with its fields filled, not shown (null when it could not
    // be made); Run makes it itself.
    HWND Create();
    // Shows it over its disabled owner until OK applied the settings (true)
    // or the operator cancelled.
    bool Run();

  private:
    friend LRESULT CALLBACK ui::ObjectWindowProc<SetupDialog>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Fill();
    void Ok();
    // The settings in the fields; nothing when one is wrong (the operator
    // is told which and why).
    std::optional<StationSettings> Collect();
    bool Refuse(int id, const std::string& why);
    std::string Field(int id) const;
    void BrowseLimits();
    void BrowseRecords();

    HWND owner_;
    StationSettings settings_;
    ApplySettings apply_;
    const WindowTexts& texts_;
    HWND hwnd_ = nullptr;
    ui::ChildControls controls_;
    ui::GdiFont font_;
    bool done_ = false;
    bool applied_ = false;
};

// True when settings were applied, false when the operator cancelled.
bool RunSetupDialog(HWND owner, const StationSettings& current, ApplySettings apply);

}  // namespace vexla::station
