#pragma once
// The panel layer: what the control window shows. This folder holds the
// window as data (here), its texts and layout, and the presenter that keeps
// the model from the engine's reports and takes the user's actions to the
// engine; the Windows library renders the model.
//
// The control window as data: every text, grid cell, enabled flag, page and
// visibility that the driver writes. The platform view renders it and sends
// user actions to the driver's handlers; rendering never calls a handler.

#include <array>
#include <string>

#include "engine/control_view.h"

namespace vexla {

inline constexpr int kChannelGridRows = 33;
// The grids' client areas at 96 dpi, from which their column and row sizes
// follow: those of the window's design until the window has measured its own.
struct GridClientSizes {
    int channelWidth = 233;  // beside the vertical scroll bar
    int channelHeight = 92;
    int statusWidth = 246;
    int statusHeight = 46;
};

struct ControlPanel {
    bool Exists = false;
    bool Visible = false;
    // Counts the requests to bring the window to the front; the view acts on
    // each new one once.
    int FrontRequests = 0;
    int Left = 0;
    int Top = 0;
    std::string Caption;

    bool PanelLogoVisible = false;
    bool PageControlVisible = false;
    int PageControlLeft = 0;
    int PageControlTop = 0;
    int ActivePage = 0;  // 0 data list, 1 status, 2 format setup, 3 value processing

    // Data list page.
    std::array<std::array<std::string, 3>, kChannelGridRows> ChannelGrid;  // BfbStatusGrid
    std::array<int, 3> ChannelColumnWidths{};
    int ChannelRowHeight = 0;
    int ComboBoxCmdIndex = -1;  // -1: nothing selected
    bool SpBtnSendCmdEnabled = true;
    bool SpBtnZeroEnabled = false;

    // Status page.
    std::string LabelSpeed;
    std::array<std::array<std::string, 4>, 2> StatusGrid;  // StringGridStatus
    std::array<int, 4> StatusColumnWidths{};
    int StatusRowHeight = 0;

    // Settings pages and their controls.
    bool TabSheetSetupEnabled = true;
    bool TabSheetValueEnabled = true;
    int CBoxDataFormatIndex = -1;
    int CBoxCommIndex = -1;
    int CBoxLinkSpeedIndex = -1;
    int SpinEditFillter = 1;
    bool CBoxFloat3 = false;
    RangeControls Invert;    // CheckBoxMoveNeg, SpinEditChN1, RBtnDirF0 / RBtnDirB0
    RangeControls TimesTen;  // CheckBoxNegDisp, SpinEditChN2, RBtnDirF1 / RBtnDirB1

    bool TimerEnabled = false;  // PopUpFormTimer
    std::string TrayHint;
    bool TrayVisible = false;
};

}  // namespace vexla
