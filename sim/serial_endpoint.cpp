#include "serial_endpoint.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "base/system_error.h"

namespace vexla::sim {
namespace {

speed_t SpeedOf(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B19200;
    }
}

bool SetRaw(int fd, uint32_t baud) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);                              // no echo, no line editing, 8 bits as they are
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);  // 8N1, no hardware handshake
    tio.c_cflag |= CLOCAL | CREAD;                // ignore modem lines, enable the receiver
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);       // 0x11/0x13 are data here
    tio.c_cc[VMIN] = 0;                           // reads never wait; poll() does the waiting
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, SpeedOf(baud));
    cfsetospeed(&tio, SpeedOf(baud));
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool MakeDirectories(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string prefix = path.substr(0, at);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

Result<SerialEndpoint> SerialEndpoint::CreatePty(uint32_t baud) {
    SerialEndpoint e;
    UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (master.get() < 0) return ErrnoError("cannot create a pty", errno);
    if (grantpt(master.get()) != 0 || unlockpt(master.get()) != 0) return ErrnoError("cannot unlock the pty", errno);
    char name[256] = {};
    // ptsname_r returns the error rather than setting errno.
    if (const int error = ptsname_r(master.get(), name, sizeof name); error != 0)
        return ErrnoError("cannot name the pty", error);
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (slave.get() < 0 || !SetRaw(slave.get(), baud)) return ErrnoError(std::string("cannot set up ") + name, errno);
    e.fd_ = std::move(master);
    e.slave_ = std::move(slave);
    e.path_ = name;
    return e;
}

Result<SerialEndpoint> SerialEndpoint::OpenDevice(const std::string& path, uint32_t baud) {
    SerialEndpoint e;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return ErrnoError("cannot open " + path, errno);
    if (!SetRaw(fd.get(), baud)) return ErrnoError("cannot set up " + path + " as a serial line", errno);
    // Some adapters and cables want DTR and RTS up; a device without modem
    // lines refuses, which does no harm.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd.get(), TIOCMBIS, &lines);
    e.fd_ = std::move(fd);
    e.path_ = path;
    return e;
}

std::size_t SerialEndpoint::Write(std::span<const uint8_t> bytes) {
    std::size_t done = 0;
    while (IsOpen() && done < bytes.size()) {
        const ssize_t n = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // full (EAGAIN) or gone: the rest is lost on the line
        }
    }
    return done;
}

bool SerialEndpoint::Read(std::vector<uint8_t>& out) {
    uint8_t buffer[512];
    while (IsOpen()) {
        const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
            continue;
        }
        // A terminal in raw mode with VMIN 0 reads 0 bytes when nothing waits.
        if (n == 0 || errno == EAGAIN) return true;
        if (errno == EINTR) continue;
        // A pty master reads EIO while no slave is open; ours keeps one, so
        // an error means the device itself has gone.
        return false;
    }
    return false;
}

void SerialEndpoint::Close() {
    fd_.reset();
    slave_.reset();
}

ScopedSymlink::ScopedSymlink(ScopedSymlink&& other) noexcept
    : link_(std::exchange(other.link_, {})), target_(std::exchange(other.target_, {})) {}

ScopedSymlink& ScopedSymlink::operator=(ScopedSymlink&& other) noexcept {
    if (this != &other) {
        Remove();
        link_ = std::exchange(other.link_, {});
        target_ = std::exchange(other.target_, {});
    }
    return *this;
}

Result<ScopedSymlink> ScopedSymlink::Make(const std::string& link, const std::string& target) {
    ScopedSymlink s;
    const auto slash = link.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(link.substr(0, slash)))
        return ErrnoError("cannot create the folder of " + link, errno);
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return Error{{},
                         link + " exists and is not a symlink; not replacing it",
                         std::make_error_code(std::errc::file_exists)};
        // A link left by an earlier run that did not end cleanly.
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) return ErrnoError("cannot create the link " + link, errno);
    s.link_ = link;
    s.target_ = target;
    return s;
}

void ScopedSymlink::Remove() {
    if (link_.empty()) return;
    char buffer[4096];
    const ssize_t n = ::readlink(link_.c_str(), buffer, sizeof buffer - 1);
    // Another simulator may have taken the name over since; leave its link.
    if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == target_) ::unlink(link_.c_str());
    link_.clear();
    target_.clear();
}

std::vector<std::string> ComLinkPaths(int com) {
    const std::string home = EnvOr("HOME", ".");
    const std::string name = "/dosdevices/com" + std::to_string(com);
    return {EnvOr("WINEPREFIX", home + "/.wine") + name, EnvOr("XDG_CONFIG_HOME", home + "/.config") + "/vexla" + name};
}

}  // namespace vexla::sim
