#include <windows.h>

#include "base/win32/system_message.h"
#include "base/win32/wide_text.h"
#include "recorder/platform/output_file.h"

namespace vexla::recorder {

namespace {

std::string Failure(const char* what, const std::string& path, DWORD error) {
    std::string text = what;
    text += ' ';
    text += path;
    text += ": ";
    text += SystemMessage(error);
    return text;
}

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, Created& created, std::string& error) {
    // Others may read the file while it is recorded (a spreadsheet, a report).
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        created = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? Created::Exists : Created::Failed;
        error = Failure("cannot create", path, code);
        return nullptr;
    }
    created = Created::Yes;
    return std::unique_ptr<OutputFile>(new OutputFile(path, file));
}

OutputFile::~OutputFile() {
    CloseHandle(static_cast<HANDLE>(handle_));
}

bool OutputFile::Write(std::string_view bytes, std::string& error) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), bytes.data(), chunk, &written, nullptr) || written == 0) {
            const DWORD code = GetLastError();
            error = Failure("cannot write", path_, code == ERROR_SUCCESS ? ERROR_DISK_FULL : code);
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool OutputFile::Sync(std::string& error) {
    if (FlushFileBuffers(static_cast<HANDLE>(handle_))) return true;
    error = Failure("cannot write", path_, GetLastError());
    return false;
}

}  // namespace vexla::recorder
