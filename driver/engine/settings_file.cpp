// Loading and saving the settings through the configuration file, and
// showing them in the control window's settings controls.

#include "engine/driver.h"

namespace vexla {
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
    if (view_ != nullptr) view_->SettingsShown(settings_.Values());
}

}  // namespace vexla
