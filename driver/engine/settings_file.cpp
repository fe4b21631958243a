// Loading and saving the settings through the configuration file, and
// showing them in the control window's settings controls.

#include "engine/driver.h"

namespace vexla {
namespace {

int SpeedItem(int32_t baudRate) {
    switch (baudRate) {
        case 9600:
            return 0;
        case 19200:
            return 1;
        case 38400:
            return 2;
        case 57600:
            return 3;
        default:
            return 4;
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
    const SettingsStore::LoadingScope loading(settings_);
    ReferencePoints& references = channels_.Table().References.ReferencePoint;
    if (save)
        settings_.Save(references);
    else
        settings_.Load(references);
    RefreshSettingsControls();
}

void Driver::SaveReferences() {
    ZeroReferences& references = channels_.Table().References;
    references.SavePending = false;
    settings_.SaveReferences(references.ReferencePoint);
}

void Driver::RefreshSettingsControls() {
    const DriverSettings& settings = settings_.Values();
    panel_.CBoxDataFormatIndex = settings.DataFormat;
    panel_.CBoxLinkSpeedIndex = SpeedItem(settings.BaudRate);
    panel_.SpinEditFillter = settings.FilterDepth;
    if (settings.PortNumber > 0) panel_.CBoxCommIndex = settings.PortNumber - 1;
    panel_.CBoxFloat3 = settings.ThreeDecimals != 0;
    ShowRange(panel_.Invert, settings.InvertRange);
    ShowRange(panel_.TimesTen, settings.TimesTenRange);
}

}  // namespace vexla
