#include "panel/settings_controls.h"

namespace vexla {
namespace {

// Speeds outside the list show as its last item.
int SpeedItem(int32_t baudRate) {
    for (std::size_t i = 0; i + 1 < kLinkSpeeds.size(); ++i)
        if (kLinkSpeeds[i] == baudRate) return static_cast<int>(i);
    return static_cast<int>(kLinkSpeeds.size() - 1);
}

void ShowRange(RangeControls& controls, uint8_t range) {
    controls.Checked = range != 0;
    if (range == 0) return;
    controls.Channel = range & 0x7F;
    controls.Before = range < 128;
}

}  // namespace

void ShowSettings(ControlPanel& panel, const DriverSettings& settings) {
    panel.CBoxDataFormatIndex = settings.DataFormat;
    panel.CBoxLinkSpeedIndex = SpeedItem(settings.BaudRate);
    panel.SpinEditFillter = settings.FilterDepth;
    if (settings.PortNumber > 0) panel.CBoxCommIndex = settings.PortNumber - 1;
    panel.CBoxFloat3 = settings.ThreeDecimals != 0;
    ShowRange(panel.Invert, settings.InvertRange);
    ShowRange(panel.TimesTen, settings.TimesTenRange);
}

}  // namespace vexla
