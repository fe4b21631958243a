#include "port_path.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>

namespace vexla {

namespace {

// The n of "COMn", or 0 when the name is not of that form.
unsigned ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6) return 0;
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    }
    unsigned number = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        number = number * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return number;
}

}  // namespace

std::string DefaultConfigHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config";
    return {};
}

std::string ResolvePortPath(const std::string& name, const std::string& configHome) {
    const unsigned number = ComNumber(name);
    if (number == 0) return name;
    if (!configHome.empty()) {
        std::string link = configHome + "/vexla/dosdevices/com" + std::to_string(number);
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) return link;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace vexla
