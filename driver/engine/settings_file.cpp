// Loading and saving the settings through the configuration file, and
// showing them in the control window's settings controls.

#include "engine/driver.h"

namespace vexla {
namespace {

// RAII for the loading guard: every exit path lowers it again.
class GuardRaised {
public:
    explicit GuardRaised(bool& guard) : guard_(guard) { guard_ = true; }
    ~GuardRaised() { guard_ = false; }
    GuardRaised(const GuardRaised&) = delete;
    GuardRaised& operator=(const GuardRaised&) = delete;

private:
    bool& guard_;
};

int SpeedItem(int32_t baudRate) {
    switch (baudRate) {
        case 9600: return 0;
        case 19200: return 1;
        case 38400: return 2;
        case 57600: return 3;
        default: return 4;
    }
}

void ShowRange(RangeControls& controls, uint8_t range) {
    controls.Checked = range != 0;
    if (range == 0) return;
    controls.Channel = range & 0x7F;
    controls.Before = range < 128;
}

}  // namespace

void Driver::LoadOrSaveSettings(bool save) {
    const GuardRaised guard(LoadingGuard);
    if (Config != nullptr) {
        ReportConfigResult(save ? Config->Save(Settings, Channels.References.ReferencePoint)
                                : Config->Load(Settings, Channels.References.ReferencePoint));
    }
    RefreshSettingsControls();
}

void Driver::SaveReferences() {
    Channels.References.SavePending = false;
    if (Config != nullptr) ReportConfigResult(Config->SaveReferences(Settings, Channels.References.ReferencePoint));
}

void Driver::ReportConfigResult(const ConfigResult& result) {
    if (Notices != nullptr && result.status != ConfigResult::Ok) Notices->ShowMessage(ConfigMessage(result));
}

void Driver::RefreshSettingsControls() {
    Panel.CBoxDataFormatIndex = Settings.DataFormat;
    Panel.CBoxLinkSpeedIndex = SpeedItem(Settings.BaudRate);
    Panel.SpinEditFillter = Settings.FilterDepth;
    if (Settings.PortNumber > 0) Panel.CBoxCommIndex = Settings.PortNumber - 1;
    Panel.CBoxFloat3 = Settings.ThreeDecimals != 0;
    ShowRange(Panel.Invert, Settings.InvertRange);
    ShowRange(Panel.TimesTen, Settings.TimesTenRange);
}

}  // namespace vexla
