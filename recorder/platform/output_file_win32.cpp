#include <windows.h>

#include "base/win32/system_message.h"
#include "base/win32/wide_text.h"
#include "recorder/platform/output_file.h"

namespace vexla::recorder {

Result<std::unique_ptr<OutputFile>> OutputFile::Create(const std::string& path) {
    // Others may read the file while it is recorded (a spreadsheet, a report).
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return SystemError("cannot create " + path, GetLastError());
    return std::unique_ptr<OutputFile>(new OutputFile(path, file));
}

Result<std::unique_ptr<OutputFile>> OutputFile::Append(const std::string& path) {
    // FILE_APPEND_DATA alone: the system puts every write at the end.
    HANDLE file = CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return SystemError("cannot open " + path, GetLastError());
    return std::unique_ptr<OutputFile>(new OutputFile(path, file));
}

OutputFile::~OutputFile() {
    CloseHandle(static_cast<HANDLE>(handle_));
}

Status OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), bytes.data(), chunk, &written, nullptr) || written == 0) {
            const DWORD code = GetLastError();
            return SystemError("cannot write " + path_, code == ERROR_SUCCESS ? ERROR_DISK_FULL : code);
        }
        bytes.remove_prefix(written);
    }
    return Done{};
}

Status OutputFile::Sync() {
    if (FlushFileBuffers(static_cast<HANDLE>(handle_))) return Done{};
    return SystemError("cannot write " + path_, GetLastError());
}

}  // namespace vexla::recorder
