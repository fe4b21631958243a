#include "station/model/station_settings.h"

#include <charconv>
#include <cmath>

#include "base/whole_number.h"
#include "publish/publish_settings.h"

namespace vexla::station {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::optional<double> ParseNumber(std::string_view text, double lowest, double highest) {
    // from_chars and to_chars: a terminal's locale never turns "0.5" into "0,5".
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// One [station] key; the reason it was refused, or empty.
std::string ApplyStationKey(StationSettings& s, std::string_view key, std::string_view value) {
    if (SameName(key, "segment")) {
        const auto v = ParseWholeNumber(value, 0, 999);
        if (!v) return "segment must be 0 to 999";
        s.segment = static_cast<uint32_t>(*v);
    } else if (SameName(key, "channels") || SameName(key, "thousandths")) {
        const bool chosen = SameName(key, "channels");
        std::optional<uint32_t> mask = value.empty() && !chosen ? std::optional<uint32_t>(0) : ParseChannelList(value);
        if (!mask || (chosen && *mask == 0))
            return std::string(key) + " must be a list of channels 1 to 32, e.g. 1-8,12";
        (chosen ? s.channels : s.thousandths) = *mask;
    } else if (SameName(key, "limits")) {
        s.limitsFile = value;
    } else if (SameName(key, "control_limits")) {
        s.controlLimitsFile = value;
    } else if (SameName(key, "warning")) {
        const auto v = ParseNumber(value, 0, 100);
        if (!v) return "warning must be 0 to 100 (% of the tolerance)";
        s.warningFraction = *v / 100;
    } else if (SameName(key, "capture_key")) {
        if (!CaptureKeyOf(value))
            return "capture_key must be F1 to F24, a letter, a digit, Pause, Insert, Home, End, PageUp, PageDown or "
                   "ScrollLock";
        s.captureKey = value;
    } else if (SameName(key, "scan_then_capture")) {
        if (value != "0" && value != "1") return "scan_then_capture must be 0 or 1";
        s.scanThenCapture = value == "1";
    } else if (SameName(key, "master_interval_h")) {
        const auto v = ParseNumber(value, 0, 8760);
        if (!v) return "master_interval_h must be 0 to 8760 hours";
        s.masterIntervalHours = *v;
    } else if (SameName(key, "last_master")) {
        if (value.empty()) {
            s.lastMaster.reset();
            return {};
        }
        const auto t = recorder::ParseIsoText(value);
        if (!t) return "last_master must be a time like 2026-12-09T06:00:00.000+01:00";
        s.lastMaster = *t;
    } else if (SameName(key, "records")) {
        s.recordsFolder = value;
    } else if (SameName(key, "language")) {
        if (SameName(value, "zh")) {
            s.language = Language::Chinese;
        } else if (SameName(value, "en")) {
            s.language = Language::English;
        } else {
            return "language must be zh or en";
        }
    } else if (SameName(key, "batch")) {
        s.batch = value;
    } else if (SameName(key, "operator")) {
        s.operatorName = value;
    } else if (SameName(key, "publish")) {
        publish::PublishSettings checked;
        if (Status parsed = publish::ParsePublishUrl(value, checked); !value.empty() && !parsed)
            return "publish: " + parsed.Failure().reason;
        s.publishUrl = value;
    } else if (SameName(key, "publish_station")) {
        if (value.find_first_of("/+#") != std::string_view::npos) return "publish_station must not hold /, + or #";
        s.publishStation = value;
    } else if (SameName(key, "publish_password_file")) {
        s.publishPasswordFile = value;
    } else if (SameName(key, "publish_rate")) {
        const auto v = ParseNumber(value, 0.01, 1000);
        if (!v) return "publish_rate must be 0.01 to 1000 readings a second";
        s.publishRate = *v;
    } else if (SameName(key, "publish_queue")) {
        const auto v = ParseWholeNumber(value, 1, 10'000'000);
        if (!v) return "publish_queue must be 1 to 10000000 parts";
        s.publishQueue = static_cast<uint64_t>(*v);
    } else {
        return "unknown setting " + std::string(key);
    }
    return {};
}

}  // namespace

std::string ChannelListText(uint32_t mask) {
    std::string text;
    for (int c = 1; c <= quality::kChannels;) {
        if (((mask >> (c - 1)) & 1u) == 0) {
            ++c;
            continue;
        }
        int last = c;
        while (last < quality::kChannels && ((mask >> last) & 1u) != 0) ++last;
        if (!text.empty()) text += ',';
        text += std::to_string(c);
        if (last > c) {
            text += '-';
            text += std::to_string(last);
        }
        c = last + 1;
    }
    return text;
}

std::string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::vector<int> StationSettings::ChosenChannels() const {
    std::vector<int> chosen;
    for (int c = 1; c <= quality::kChannels; ++c)
        if (Chosen(c)) chosen.push_back(c);
    return chosen;
}

StationFile ParseStationFile(std::string_view text) {
    StationFile file;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // Notepad's byte order mark
    enum class Section { None, Station, Names, Other } section = Section::None;
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        const auto problem = [&](const std::string& what) {
            file.problems.push_back("line " + std::to_string(number) + ": " + what);
        };
        if (line.front() == '[') {
            const std::string_view name = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : "";
            section = SameName(name, "station") ? Section::Station
                      : SameName(name, "names") ? Section::Names
                                                : Section::Other;
            if (section == Section::Other) problem("unknown section " + std::string(line));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            problem("expected name = value");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        if (section == Section::Names) {
            const auto channel = ParseWholeNumber(key, 1, quality::kChannels);
            if (!channel) {
                problem("a name needs a channel 1 to 32 before the =");
                continue;
            }
            file.settings.names[static_cast<size_t>(*channel - 1)] = value;
        } else if (section == Section::Station) {
            // A comment after a value needs a blank before its ";".
            if (const size_t comment = value.find(" ;"); comment != std::string_view::npos)
                value = Trim(value.substr(0, comment));
            if (std::string why = ApplyStationKey(file.settings, key, value); !why.empty()) problem(why);
        } else if (section == Section::None) {
            problem("a setting before [station]");
        }
    }
    return file;
}

std::string StationFileText(const StationSettings& s) {
    std::string text = "; The inspection station's settings (UTF-8).\r\n[station]\r\n";
    const auto put = [&](const char* key, const std::string& value) {
        text += key;
        text += " = ";
        text += value;
        text += "\r\n";
    };
    put("segment", std::to_string(s.segment));
    put("channels", ChannelListText(s.channels));
    put("thousandths", ChannelListText(s.thousandths));
    put("limits", s.limitsFile);
    put("control_limits", s.controlLimitsFile);
    put("warning", NumberText(s.warningFraction * 100));
    put("capture_key", s.captureKey);
    put("scan_then_capture", s.scanThenCapture ? "1" : "0");
    put("master_interval_h", NumberText(s.masterIntervalHours));
    put("last_master", s.lastMaster ? recorder::IsoText(*s.lastMaster) : std::string());
    put("records", s.recordsFolder);
    put("language", s.language == Language::English ? "en" : "zh");
    put("batch", s.batch);
    put("operator", s.operatorName);
    put("publish", s.publishUrl);
    put("publish_station", s.publishStation);
    put("publish_password_file", s.publishPasswordFile);
    put("publish_rate", NumberText(s.publishRate));
    put("publish_queue", std::to_string(s.publishQueue));
    text += "[names]\r\n";
    for (int c = 1; c <= quality::kChannels; ++c)
        if (!s.names[static_cast<size_t>(c - 1)].empty())
            put(std::to_string(c).c_str(), s.names[static_cast<size_t>(c - 1)]);
    return text;
}

std::optional<CaptureKey> CaptureKeyOf(std::string_view name) {
    name = Trim(name);
    using K = CaptureKey::Kind;
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return CaptureKey{K::Character, 0, c};
        return std::nullopt;
    }
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        if (const auto n = ParseWholeNumber(name.substr(1), 1, 24))
            return CaptureKey{K::Function, static_cast<int>(*n), 0};
        return std::nullopt;
    }
    static constexpr std::pair<const char*, K> kNamed[] = {{"Pause", K::Pause},
                                                           {"Insert", K::Insert},
                                                           {"Home", K::Home},
                                                           {"End", K::End},
                                                           {"PageUp", K::PageUp},
                                                           {"PageDown", K::PageDown},
                                                           {"ScrollLock", K::ScrollLock}};
    for (const auto& [text, kind] : kNamed)
        if (SameName(name, text)) return CaptureKey{kind, 0, 0};
    return std::nullopt;
}

}  // namespace vexla::station
