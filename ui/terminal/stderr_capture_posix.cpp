#include <fcntl.h>
#include <unistd.h>

#include "ui/terminal/stderr_capture.h"

namespace vexla::ui::terminal {

namespace {

// What is kept for the replay: the newest part of a flood.
constexpr std::size_t kReplayBytes = 64 * 1024;

void WriteAll(int fd, const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
        if (n <= 0) return;
        at += static_cast<std::size_t>(n);
    }
}

}  // namespace

StderrCapture::StderrCapture() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;  // then messages go to the terminal as before
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ < 0 || ::dup2(ends[1], STDERR_FILENO) < 0) {
        if (saved_ >= 0) ::close(saved_);
        saved_ = -1;
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    ::close(ends[1]);
    read_ = ends[0];
    // The writers block on a full pipe rather than lose a message; it is
    // emptied every tick.
    ::fcntl(read_, F_SETFL, ::fcntl(read_, F_GETFL) | O_NONBLOCK);
}

StderrCapture::~StderrCapture() {
    if (!Active()) return;
    Take();
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    ::close(read_);
    WriteAll(STDERR_FILENO, all_);
}

StderrCapture::Taken StderrCapture::Take() {
    Taken taken;
    if (!Active()) return taken;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(read_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            // Beeps are rung on the screen, not again at the end.
            if (c == '\a') {
                ++taken.bells;
                continue;
            }
            all_ += c;
            if (c == '\n') {
                taken.lines.push_back(std::move(partial_));
                partial_.clear();
            } else {
                partial_ += c;
            }
        }
    }
    if (all_.size() > kReplayBytes) all_.erase(0, all_.size() - kReplayBytes);
    // A line that never ends is shown once it is long enough to matter.
    if (partial_.size() > 1024) {
        taken.lines.push_back(std::move(partial_));
        partial_.clear();
    }
    return taken;
}

std::optional<std::string> StderrCapture::NewestMessage(const std::vector<std::string>& lines) {
    if (lines.empty()) return std::nullopt;
    std::size_t first = lines.size() - 1;
    while (first > 0 && lines[first].rfind("Vexla: ", 0) != 0) --first;
    std::string message = lines[first];
    for (std::size_t i = first + 1; i < lines.size(); ++i) message += " " + lines[i];
    return message;
}

}  // namespace vexla::ui::terminal
