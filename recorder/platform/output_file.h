#pragma once
// The recording's file: created only when no file of that name exists (an
// earlier recording is never overwritten), written straight through to the
// system with each tick's rows, and synced to the disk on request, so that a
// recorder killed at any moment leaves at most its last line unfinished.

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"

namespace vexla::recorder {

class OutputFile {
  public:
    // Fails with what the system said, with the path; a name that is taken
    // fails with a code equal to std::errc::file_exists.
    static Result<std::unique_ptr<OutputFile>> Create(const std::string& path);
    // The file at `path` continued at its end, or a new one: every write
    // goes after what is there, never over it.
    static Result<std::unique_ptr<OutputFile>> Append(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // All of it or why not (a full disk, a vanished drive).
    Status Write(std::string_view bytes);
    // The written bytes on the disk.
    Status Sync();
    const std::string& Path() const { return path_; }

  private:
    OutputFile(std::string path, void* handle) : path_(std::move(path)), handle_(handle) {}
    std::string path_;
    void* handle_;  // a descriptor or a HANDLE, as the platform keeps it
};

// Writes the whole text beside `path`, syncs it and renames it into place
// (replacing an old file, on Windows too), so that `path` is the old file
// or the whole new one, never a part, even after a crash. Fails as
// "cannot write PATH" with the system's reason.
Status ReplaceWholeFile(const std::string& path, std::string_view bytes);

}  // namespace vexla::recorder
