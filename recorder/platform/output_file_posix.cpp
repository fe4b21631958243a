#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/system_error.h"
#include "recorder/platform/output_file.h"

namespace vexla::recorder {

namespace {

int Descriptor(void* handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}

}  // namespace

Result<std::unique_ptr<OutputFile>> OutputFile::Create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return ErrnoError("cannot create " + path, errno);
    return std::unique_ptr<OutputFile>(new OutputFile(path, reinterpret_cast<void*>(static_cast<intptr_t>(fd))));
}

Result<std::unique_ptr<OutputFile>> OutputFile::Append(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return ErrnoError("cannot open " + path, errno);
    return std::unique_ptr<OutputFile>(new OutputFile(path, reinterpret_cast<void*>(static_cast<intptr_t>(fd))));
}

OutputFile::~OutputFile() {
    ::close(Descriptor(handle_));
}

Status OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(Descriptor(handle_), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ErrnoError("cannot write " + path_, n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Done{};
}

Status OutputFile::Sync() {
    if (::fdatasync(Descriptor(handle_)) == 0) return Done{};
    return ErrnoError("cannot write " + path_, errno);
}

}  // namespace vexla::recorder
