#pragma once
// The recording's file: created only when no file of that name exists (an
// earlier recording is never overwritten), written straight through to the
// system with each tick's rows, and synced to the disk on request, so that a
// recorder killed at any moment leaves at most its last line unfinished.

#include <memory>
#include <string>
#include <string_view>

namespace vexla::recorder {

class OutputFile {
  public:
    enum class Created { Yes, Exists, Failed };

    // The error says what the system said, with the path.
    static std::unique_ptr<OutputFile> Create(const std::string& path, Created& created, std::string& error);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // All of it or an error (a full disk, a vanished drive).
    bool Write(std::string_view bytes, std::string& error);
    // The written bytes on the disk.
    bool Sync(std::string& error);
    const std::string& Path() const { return path_; }

  private:
    OutputFile(std::string path, void* handle) : path_(std::move(path)), handle_(handle) {}
    std::string path_;
    void* handle_;  // a descriptor or a HANDLE, as the platform keeps it
};

}  // namespace vexla::recorder
