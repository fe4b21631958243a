#include "panel/settings_controls.h"

#include <array>

namespace vexla {
namespace {

constexpr std::array<int32_t, 5> kSpeeds = {9600, 19200, 38400, 57600, 115200};

// Speeds outside the list show as its last item.
int SpeedItem(int32_t baudRate) {
    for (std::size_t i = 0; i + 1 < kSpeeds.size(); ++i)
        if (kSpeeds[i] == baudRate) return static_cast<int>(i);
    return static_cast<int>(kSpeeds.size() - 1);
}

void ShowRange(RangeControls& controls, uint8_t range) {
    controls.Checked = range != 0;
    if (range == 0) return;
    controls.Channel = range & 0x7F;
    controls.Before = range < 128;
}

}  // namespace

std::optional<int32_t> SpeedOfItem(int itemIndex) {
    if (itemIndex < 0 || itemIndex >= static_cast<int>(kSpeeds.size())) return std::nullopt;
    return kSpeeds[static_cast<std::size_t>(itemIndex)];
}

uint8_t EncodeRange(const RangeControls& controls) {
    if (!controls.Checked) return 0;
    const auto n = static_cast<uint8_t>(controls.Channel);
    return controls.Before ? n : static_cast<uint8_t>(n + 128);
}

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
