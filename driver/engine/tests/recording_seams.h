#pragma once
// Recording stand-ins for the platform around the engine: a port that keeps
// what was written (and can refuse to open), a notifier, a window host and a
// configuration folder in memory (whose writes can fail).

#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "channels/config_file.h"
#include "engine/host_services.h"
#include "engine/link_port.h"

namespace vexla::testing {

class RecordingPort : public LinkPort {
  public:
    PortStatus Open(const LinkSettings& settings) override {
        ++opens;
        last = settings;
        isOpen = openSucceeds;
        if (isOpen) return {true, {}, {}, refusedSettings};
        return {false, "Error opening serial port", std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    void Close() override {
        ++closes;
        isOpen = false;
    }
    bool QueueWrite(std::span<const uint8_t> bytes) override {
        if (!isOpen || bytes.empty()) return false;
        writes.emplace_back(bytes.begin(), bytes.end());
        return true;
    }
    std::vector<uint8_t> TakeWrites() {
        std::vector<uint8_t> all;
        for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
        writes.clear();
        return all;
    }

    bool openSucceeds = true;
    std::error_code refusedSettings;  // the error of line settings the device refuses
    bool isOpen = false;
    int opens = 0;
    int closes = 0;
    LinkSettings last;
    std::vector<std::vector<uint8_t>> writes;
};

class RecordingNotifier : public Notifier {
  public:
    void ShowMessage(std::string_view text) override {
        messages.emplace_back(text);
        // A modal box pumps the host's messages, the driver's timer among them.
        if (whileShown) whileShown();
    }
    void Beep() override { ++beeps; }
    void Trace(std::string_view line) override { traces.emplace_back(line); }
    std::vector<std::string> messages;
    std::vector<std::string> traces;
    int beeps = 0;
    std::function<void()> whileShown;
};

class RecordingWindow : public WindowHost {
  public:
    void CreateControlWindow() override { ++created; }
    void DestroyControlWindow() override { ++destroyed; }
    void SetTimerEnabled(bool enabled) override { timer = enabled; }
    void PanelChanged() override { ++changes; }
    void QuitMessageLoop() override { ++quits; }
    int created = 0;
    int destroyed = 0;
    bool timer = false;
    int changes = 0;
    int quits = 0;
};

class MemoryFiles : public ConfigFileSystem {
  public:
    bool FolderExists(const std::string& path) override { return folders.count(path) != 0; }
    std::error_code CreateFolder(const std::string& path) override {
        folders.insert(path);
        return {};
    }
    FileRead ReadContents(const std::string& path) override {
        const auto it = files.find(path);
        if (it == files.end()) return {FileRead::Missing, {}, {}};
        return {FileRead::Ok, it->second, {}};
    }
    std::error_code ReplaceContents(const std::string& path, std::string_view bytes) override {
        if (failWrites) return std::make_error_code(std::errc::no_space_on_device);
        files[path] = std::string(bytes);
        return {};
    }
    std::set<std::string> folders;
    std::map<std::string, std::string> files;
    bool failWrites = false;
};

}  // namespace vexla::testing
