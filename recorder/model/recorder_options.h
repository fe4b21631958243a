#pragma once
// The recorder's command line.

#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "recorder/model/recording.h"

namespace vexla::recorder {

// What to do when the output file is there already: it is never overwritten.
enum class WhenExists { NewName, Stop };

struct RecorderOptions {
    uint32_t segment = 1;
    uint32_t channels = 0xFFFFFFFFu;  // bit c - 1 for channel c
    std::array<monitor::HardwareType, quality::kChannels> kinds{};
    std::string limitsFile;
    std::string output;  // empty: a dated name in the current folder
    WhenExists whenExists = WhenExists::NewName;
    double durationSeconds = 0;  // 0: until interrupted
    bool captureOnKey = false;   // a row set at each press of the key
    char captureKey = '\n';
    double everySeconds = 0;  // a row set every S seconds (0: none)
    std::string library;      // empty: the driver beside the program
    bool quiet = false;
    // Capture mode: parts numbered from this (--part-id counter[:START]),
    // or each part's identity typed, which takes the part (--part-id prompt).
    std::optional<uint64_t> partCounter;
    bool partIdPrompt = false;
    std::string batch;
    std::string operatorName;
    // Control charts: subgroup and baseline, or limits of an earlier run.
    quality::ChartSettings chart;
    std::string controlLimitsFile;
    std::string saveControlLimitsFile;
    // Publishing to the plant's broker (empty URL: none).
    std::string publishUrl;
    std::string publishStation;       // empty: the computer's name
    std::string publishPasswordFile;  // else the URL's, else VEXLA_PUBLISH_PASSWORD
    double publishRate = 5;           // a gauge's readings per second at most
    uint64_t publishQueue = 100000;   // unsent parts kept at most
    std::string publishQueueFile;     // empty: beside the driver's configuration

    // Parts carry an identity, a batch and an operator in the file.
    bool IdentifiesParts() const { return partCounter || partIdPrompt || !batch.empty() || !operatorName.empty(); }

    bool Capture() const { return captureOnKey || everySeconds > 0 || partIdPrompt; }
};

ParsedCommandLine<RecorderOptions> ParseRecorderOptions(const std::vector<std::string>& args);
std::string RecorderUsage();

// "vexla-20261208-184001.csv".
std::string DatedFileName(const LocalTime& now);

// "run.csv" → "run-2.csv", "run-3.csv", ...; a name without ".csv" gets the
// number at its end.
std::string NumberedFileName(const std::string& path, int number);

}  // namespace vexla::recorder
