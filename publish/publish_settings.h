#pragma once
// Where and how a station publishes to the plant's broker:
//   mqtt://[USER[:PASSWORD]@]HOST[:PORT]/ROOT[?session=clean]
// The password may also come from a file or the environment, so that it
// need not stand on a command line or in the station's file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace vexla::publish {

struct PublishSettings {
    std::string host;
    uint16_t port = 1883;
    std::string root = "vexla";
    std::optional<std::string> userName;
    std::optional<std::string> password;
    bool cleanSession = false;   // a persistent session unless asked
    std::string station;         // empty: the computer's name
    double gaugeRate = 5;        // a channel's readings per second at most
    size_t queueBound = 100000;  // parts waiting on the disk at most
    std::string queueFile;       // empty: in QueueFolder(), named by program and station
};

// The URL's parts into `settings`; refused with the reason.
Status ParsePublishUrl(std::string_view url, PublishSettings& settings);

// The password's first line from a file (its line end and a byte order
// mark dropped).
Result<std::string> ReadPasswordFile(const std::string& path);

// The password that the environment variable VEXLA_PUBLISH_PASSWORD holds.
inline constexpr const char* kPasswordVariable = "VEXLA_PUBLISH_PASSWORD";

// The password into `settings`: the file's when one is named, else the
// URL's, else the environment's. Fails when the file cannot be read or a
// password has no user name to go with.
Status TakePassword(PublishSettings& settings, const std::string& passwordFile);

// A name as one level of a topic: '/', '+', '#' and control characters
// become '_'.
std::string TopicLevel(std::string_view name);

}  // namespace vexla::publish
