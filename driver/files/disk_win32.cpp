// The replace step and the folder on Windows.

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "disk_config_fs.h"
#include "disk_paths.h"

namespace vexla {

namespace {

std::error_code LastError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Close(); }
    HANDLE get() const { return h_; }
    std::error_code Close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        if (h == INVALID_HANDLE_VALUE || ::CloseHandle(h)) return {};
        return LastError();
    }

  private:
    HANDLE h_;
};

std::error_code WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr)) return LastError();
        if (written == 0) return std::make_error_code(std::errc::no_space_on_device);
        bytes.remove_prefix(written);
    }
    return {};
}

std::atomic<unsigned> tempCounter{0};

}  // namespace

std::error_code DiskConfigFileSystem::ReplaceContents(const std::string& path, std::string_view bytes) {
    const std::wstring target = PathFromUtf8(path).wstring();
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::make_error_code(std::errc::is_a_directory);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return std::make_error_code(std::errc::permission_denied);  // a read-only file stays as it is

    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp =
            target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(tempCounter++) + L".tmp";
        h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return LastError();
    }
    if (h == INVALID_HANDLE_VALUE) return std::make_error_code(std::errc::file_exists);
    UniqueHandle file(h);

    std::error_code error = WriteAll(file.get(), bytes);
    if (!error && !::FlushFileBuffers(file.get())) error = LastError();
    if (const std::error_code closed = file.Close(); !error) error = closed;
    if (!error && !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastError();
    if (error) ::DeleteFileW(temp.c_str());
    return error;
}

std::string ConfigFolderPath() {
    return "C:\\系统配置";
}

}  // namespace vexla
