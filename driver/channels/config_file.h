#pragma once
// The configuration file of one network segment: the settings and the 32
// reference points as GBK INI text with CR LF line ends. Disk access goes
// through ConfigFileSystem so this code stays portable; the driver turns the
// results into its messages.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "channels/channel_record.h"
#include "channels/settings.h"

namespace vexla {

using ReferencePoints = std::array<int32_t, kChannels>;

// The values a missing or malformed key reads as. SegmentNumber is not kept
// in the file.
DriverSettings DefaultSettings();

// "Vexla配置" + the segment in three digits + ".txt", UTF-8.
std::string ConfigFileName(uint8_t segment);

// Every key of the file into memory; missing or malformed keys take the
// defaults. SegmentNumber is left alone.
void ReadConfigText(std::string_view bytes, DriverSettings& settings, ReferencePoints& references);
// `existing` with every key written (a new file gets the full layout in its
// fixed order). ShowCtrlWindow is always written as 0.
std::string WriteConfigText(std::string_view existing, const DriverSettings& settings,
                            const ReferencePoints& references);
// `existing` with only the 32 reference keys written.
std::string WriteReferencesText(std::string_view existing, const ReferencePoints& references);

struct FileRead {
    enum Status { Ok, Missing, Failed } status = Missing;
    std::string bytes;
    std::error_code error;  // the system's reason for Failed
};

// Paths are UTF-8. Failures carry the system's error (errno or
// GetLastError) for the diagnostic trace; an empty error is success.
class ConfigFileSystem {
  public:
    virtual ~ConfigFileSystem() = default;
    virtual bool FolderExists(const std::string& path) = 0;
    // Creates the folder (and missing parents).
    virtual std::error_code CreateFolder(const std::string& path) = 0;
    virtual FileRead ReadContents(const std::string& path) = 0;
    // All or nothing: on failure the previous file stays as it was.
    virtual std::error_code ReplaceContents(const std::string& path, std::string_view bytes) = 0;
};

struct ConfigResult {
    // ReadFailed: an existing file could not be read and was left alone; the
    // user is not told (the defaults hold), the trace is.
    enum Status { Ok, FolderFailed, WriteFailed, ReadFailed } status = Ok;
    std::string path;       // the folder for FolderFailed, else the file
    std::error_code error;  // why, when the system said
};

// The text the driver shows for a failed result (UTF-8); empty for Ok and
// ReadFailed.
std::string ConfigMessage(const ConfigResult& result);
// The message with the system's reason, for the trace: "... (OS error 13:
// Permission denied)".
std::string ConfigTraceText(const ConfigResult& result);

class ConfigFile {
  public:
    ConfigFile(ConfigFileSystem& fs, std::string folder);

    void SetSegment(uint8_t segment) { segment_ = segment; }
    const std::string& Folder() const { return folder_; }
    std::string FilePath() const;

    // Resets to the defaults and zero references, then reads the file; a
    // missing file is written with the defaults. An existing file that cannot
    // be read leaves the defaults and is not replaced.
    ConfigResult Load(DriverSettings& settings, ReferencePoints& references);
    // Writes every key.
    ConfigResult Save(const DriverSettings& settings, const ReferencePoints& references);
    // Writes the 32 reference keys of an existing file. Without a file the
    // settings become the defaults with format 3 and the whole file is
    // written.
    ConfigResult SaveReferences(DriverSettings& settings, const ReferencePoints& references);

  private:
    std::error_code EnsureFolder();
    ConfigResult Replace(std::string_view bytes);

    ConfigFileSystem& fs_;
    std::string folder_;
    uint8_t segment_ = 0;
};

}  // namespace vexla
