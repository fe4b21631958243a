#include "engine/settings_store.h"

#include <string>

namespace vexla {

void SettingsStore::Load(ReferencePoints& references) {
    if (file_ != nullptr) Report(file_->Load(values_, references));
}

void SettingsStore::Save(const ReferencePoints& references) {
    if (file_ != nullptr) Report(file_->Save(values_, references));
}

void SettingsStore::SaveReferences(const ReferencePoints& references) {
    if (file_ != nullptr) Report(file_->SaveReferences(values_, references));
}

void SettingsStore::SetSegment(uint8_t segment) {
    values_.SegmentNumber = segment;
    if (file_ != nullptr) file_->SetSegment(segment);
}

void SettingsStore::Report(const ConfigResult& result) {
    if (notices_ == nullptr || result.status == ConfigResult::Ok) return;
    notices_->Trace("configuration file: " + ConfigTraceText(result));
    if (const std::string message = ConfigMessage(result); !message.empty()) notices_->ShowMessage(message);
}

}  // namespace vexla
