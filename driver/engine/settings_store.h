#pragma once
// The driver's settings in memory and their configuration file: loading at
// connect, saving on every change in the control window, writing the
// references as soon as a channel captures one, and telling the user when
// the file cannot be written.

#include "channels/config_file.h"
#include "channels/settings.h"
#include "engine/host_services.h"

namespace vexla {

class SettingsStore {
  public:
    // Either seam may be null: without a file the settings live in memory only.
    SettingsStore(ConfigFile* file, Notifier* notices) : file_(file), notices_(notices) {}

    DriverSettings& Values() { return values_; }
    const DriverSettings& Values() const { return values_; }

    void Load(ReferencePoints& references);
    void Save(const ReferencePoints& references);
    void SaveReferences(const ReferencePoints& references);
    void SetSegment(uint8_t segment);

    // Raised while the settings are written into the controls: the handlers
    // of those controls then change nothing.
    bool Loading() const { return loading_; }
    class LoadingScope {
      public:
        explicit LoadingScope(SettingsStore& store) : store_(store) { store_.loading_ = true; }
        ~LoadingScope() { store_.loading_ = false; }
        LoadingScope(const LoadingScope&) = delete;
        LoadingScope& operator=(const LoadingScope&) = delete;

      private:
        SettingsStore& store_;
    };

  private:
    void Report(const ConfigResult& result);

    ConfigFile* file_;
    Notifier* notices_;
    DriverSettings values_;
    bool loading_ = false;
};

}  // namespace vexla
