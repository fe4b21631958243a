#include <cstdlib>
#include <string>

#include "station/model/station_session.h"

namespace vexla::station {

namespace {

// The driver's configuration folder, where it keeps its own files.
std::string ConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/系统配置";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] == '/' ? home : ".") + "/.config/系统配置";
}

}  // namespace

std::string StationFilePath() {
    return ConfigFolder() + "/VexlaStation.ini";
}

std::string DefaultRecordsFolder() {
    return ConfigFolder() + "/检测记录";
}

}  // namespace vexla::station
