// Reads arbitrary bytes as a configuration file, then writes the references
// and the whole layout into them. Aborts if a written value does not read
// back, if a reference write disturbs a setting, or if writing the same
// values twice changes the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "channels/config_file.h"

namespace {

bool Same(const vexla::DriverSettings& a, const vexla::DriverSettings& b) {
    return a.DataFormat == b.DataFormat && a.PortNumber == b.PortNumber && a.BaudRate == b.BaudRate &&
           a.ShowCtrlWindow == b.ShowCtrlWindow && a.FilterDepth == b.FilterDepth &&
           a.ResetOnConnect == b.ResetOnConnect && a.TimesTenRange == b.TimesTenRange &&
           a.InvertRange == b.InvertRange && a.ThreeDecimals == b.ThreeDecimals;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vexla::DriverSettings read;
    vexla::ReferencePoints readRefs{};
    vexla::ReadConfigText(text, read, readRefs);

    // Values to write, spread over the whole range and derived from the input.
    uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    vexla::ReferencePoints refs{};
    for (int32_t& r : refs) r = static_cast<int32_t>(h = h * 1664525u + 1013904223u);

    const std::string withRefs = vexla::WriteReferencesText(text, refs);
    vexla::DriverSettings after;
    vexla::ReferencePoints afterRefs{};
    vexla::ReadConfigText(withRefs, after, afterRefs);
    if (afterRefs != refs || !Same(after, read)) std::abort();

    vexla::DriverSettings s;
    s.DataFormat = static_cast<uint8_t>(h);
    s.PortNumber = static_cast<int32_t>(h * 31u);
    s.BaudRate = -static_cast<int32_t>(h >> 3);
    s.ShowCtrlWindow = 1;
    s.FilterDepth = static_cast<uint8_t>(h >> 8);
    s.ResetOnConnect = static_cast<uint8_t>(h >> 16);
    s.TimesTenRange = static_cast<uint8_t>(h >> 24);
    s.InvertRange = static_cast<uint8_t>(h >> 4);
    s.ThreeDecimals = static_cast<uint8_t>(h >> 12);
    const std::string full = vexla::WriteConfigText(text, s, refs);
    vexla::ReadConfigText(full, after, afterRefs);
    s.ShowCtrlWindow = 0;  // always written as 0
    if (afterRefs != refs || !Same(after, s)) std::abort();
    if (vexla::WriteConfigText(full, s, refs) != full) std::abort();
    return 0;
}
