#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "recorder/platform/console_keys.h"

namespace vexla::recorder {

struct ConsoleKeys::Platform {
    bool restore = false;
    termios saved{};
};

ConsoleKeys::ConsoleKeys(char key, bool echo) : key_(key), echo_(echo), platform_(std::make_unique<Platform>()) {
    (void)echo_;  // a terminal in its line mode echoes by itself
    // Any key but Enter counts without Enter: the terminal hands over each
    // key as it is typed, without echo.
    if (key_ != '\n' && ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &platform_->saved) == 0) {
        termios raw = platform_->saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        platform_->restore = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
}

ConsoleKeys::~ConsoleKeys() {
    if (platform_->restore) ::tcsetattr(STDIN_FILENO, TCSANOW, &platform_->saved);
}

int ConsoleKeys::TakePresses() {
    while (!ended_) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char bytes[256];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ended_ = true;
            break;
        }
        Feed(bytes, static_cast<std::size_t>(n));
    }
    return std::exchange(presses_, 0);
}

}  // namespace vexla::recorder
