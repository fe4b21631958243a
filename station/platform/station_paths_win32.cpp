#include <string>

#include "station/model/station_session.h"

namespace vexla::station {

// Beside the driver's configuration, which is always on drive C.
std::string StationFilePath() {
    return "C:\\系统配置\\VexlaStation.ini";
}

std::string DefaultRecordsFolder() {
    return "C:\\系统配置\\检测记录";
}

}  // namespace vexla::station
