#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "recorder/platform/output_file.h"

namespace vexla::recorder {

namespace {

int Descriptor(void* handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}

std::string Failure(const char* what, const std::string& path, int error) {
    std::string text = what;
    text += ' ';
    text += path;
    text += ": ";
    text += std::strerror(error);
    return text;
}

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, Created& created, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        created = errno == EEXIST ? Created::Exists : Created::Failed;
        error = Failure("cannot create", path, errno);
        return nullptr;
    }
    created = Created::Yes;
    return std::unique_ptr<OutputFile>(new OutputFile(path, reinterpret_cast<void*>(static_cast<intptr_t>(fd))));
}

OutputFile::~OutputFile() {
    ::close(Descriptor(handle_));
}

bool OutputFile::Write(std::string_view bytes, std::string& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(Descriptor(handle_), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = Failure("cannot write", path_, n < 0 ? errno : ENOSPC);
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool OutputFile::Sync(std::string& error) {
    if (::fdatasync(Descriptor(handle_)) == 0) return true;
    error = Failure("cannot write", path_, errno);
    return false;
}

}  // namespace vexla::recorder
