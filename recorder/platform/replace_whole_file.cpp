#include <filesystem>
#include <system_error>

#include "quality/utf8_path.h"
#include "recorder/platform/output_file.h"

namespace vexla::recorder {

namespace {

// The step that failed is ours to know; the user reads which file and why.
Error CannotWrite(const std::string& path, const Error& failure) {
    return Error{"cannot write " + path, failure.reason, failure.code};
}

}  // namespace

Status ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    const std::string part = path + ".part";
    std::error_code ignored;
    auto created = OutputFile::Create(part);
    if (!created && created.Failure().code == std::errc::file_exists) {
        // Left by a run that was killed before its rename.
        std::filesystem::remove(quality::Utf8Path(part), ignored);
        created = OutputFile::Create(part);
    }
    if (!created) return CannotWrite(path, created.Failure());
    Status written = (*created)->Write(bytes);
    // On the disk before it takes the name: a crash then leaves the old
    // file or the whole new one.
    if (written) written = (*created)->Sync();
    created->reset();
    if (written) {
        std::error_code renamed;
        std::filesystem::rename(quality::Utf8Path(part), quality::Utf8Path(path), renamed);
        if (!renamed) return Done{};
        written = Error{"", renamed.message(), renamed};
    }
    std::filesystem::remove(quality::Utf8Path(part), ignored);
    return CannotWrite(path, written.Failure());
}

}  // namespace vexla::recorder
