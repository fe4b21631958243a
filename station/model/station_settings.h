#pragma once
// The station's own settings, kept in a UTF-8 INI file beside the driver's
// configuration: which gauges are the part's characteristics and what they
// are called, the limits, when a tile warns, which key captures, how often
// the fixture is mastered and where the records go.
//
//   [station]
//   segment = 1
//   channels = 1-8
//   thousandths = 5,6          ; channels with 0.001 mm gauges
//   limits = C:\系统配置\limits.txt
//   control_limits =           ; optional: limits of an earlier run
//   warning = 75               ; % of the tolerance on each side
//   capture_key = F9           ; besides Enter, Space and the button
//   scan_then_capture = 0
//   master_interval_h = 8      ; 0: no reminder
//   last_master = 2026-12-09T06:00:00.000+01:00
//   records = C:\检测记录
//   language = zh              ; or en
//   batch = B-17
//   operator = 王芳
//   publish = mqtt://qa@broker/plant/line-2   ; the plant's broker (docs/plant.md)
//   publish_station = fixture-7               ; default: the computer's name
//   publish_password_file = C:\系统配置\broker.txt
//   publish_rate = 5           ; a gauge's readings a second at most
//   publish_queue = 100000     ; unsent parts kept; full, the oldest goes
//   [names]
//   1 = 孔深
//
// A line that does not parse leaves its setting at the default and is
// reported ("line 7: ..."), so that one typo never loses the rest.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quality/tolerance_limits.h"
#include "recorder/model/csv_rows.h"

namespace vexla::station {

enum class Language { Chinese, English };

inline constexpr int kChartParts = 50;  // the parts the chart panel shows

struct StationSettings {
    uint32_t segment = 1;
    uint32_t channels = 0xFFu;                          // bit c - 1 for channel c: 1-8
    uint32_t thousandths = 0;                           // the channels whose gauges read 0.001 mm
    std::array<std::string, quality::kChannels> names;  // empty: the limits file's name, else the channel's
    std::string limitsFile;
    std::string controlLimitsFile;
    double warningFraction = 0.75;  // 0..1
    std::string captureKey = "F9";  // a key name (CaptureKeyOf)
    bool scanThenCapture = false;
    double masterIntervalHours = 8;  // 0: no reminder
    std::optional<recorder::LocalTime> lastMaster;
    std::string recordsFolder;
    Language language = Language::Chinese;
    std::string batch;
    std::string operatorName;
    // The plant's broker: none when the URL is empty.
    std::string publishUrl;
    std::string publishStation;
    std::string publishPasswordFile;
    double publishRate = 5;
    uint64_t publishQueue = 100000;

    bool Chosen(int channel) const { return ((channels >> (channel - 1)) & 1u) != 0; }
    int Decimals(int channel) const { return ((thousandths >> (channel - 1)) & 1u) != 0 ? 3 : 2; }
    std::vector<int> ChosenChannels() const;
};

struct StationFile {
    StationSettings settings;
    std::vector<std::string> problems;  // "line 7: warning must be 0 to 100 (%)"
};

StationFile ParseStationFile(std::string_view text);
// "1-8,12" for a channel mask (bit c - 1 for channel c); "" for none.
std::string ChannelListText(uint32_t mask);
// A setting's number as the file keeps it: "0.75", "8", in any locale.
std::string NumberText(double value);
std::string StationFileText(const StationSettings& settings);

// The key a foot pedal or the operator presses to capture, by its name:
// "F1".."F24", a letter or digit ("A", "7"), or one of "Pause", "Insert",
// "Home", "End", "PageUp", "PageDown", "ScrollLock". Nothing for another text.
struct CaptureKey {
    enum class Kind { Function, Character, Pause, Insert, Home, End, PageUp, PageDown, ScrollLock } kind{};
    int function = 0;    // 1..24 for Kind::Function
    char character = 0;  // 'A'..'Z' or '0'..'9' for Kind::Character
    friend bool operator==(const CaptureKey&, const CaptureKey&) = default;
};
std::optional<CaptureKey> CaptureKeyOf(std::string_view name);

}  // namespace vexla::station
