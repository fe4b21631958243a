#pragma once
// Byte streams as a gauge network sends them, for the decoder tests, the
// fuzz seeds and the benchmarks: frames back to back, each reading unique so
// that a test can tell exactly which frames came through.

#include <cstdint>
#include <random>
#include <vector>

#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"

namespace vexla::testing {

// One reading the way a test expects it back from the decoder.
struct SentReading {
    uint8_t channel;
    int32_t position;
    int32_t value;
};

struct SentFrame {
    std::vector<uint8_t> bytes;
    std::vector<SentReading> readings;
};

// Frame number `n` of a stream in `format`; channels cycle so that a run of
// fewer than 32 frames (7 records per block frame: 16 channels) never names a
// channel twice. `first` says whether a text frame opens the stream.
inline SentFrame MakeFrame(uint8_t format, uint32_t n, bool first = true) {
    SentFrame out;
    switch (format) {
        case kFormatBlock: {
            BlockFields f;
            f.layout = BlockLayout::Record;
            for (unsigned r = 0; r < 7; ++r) {
                const auto ch = static_cast<uint8_t>((n * 7 + r) % 16);
                const uint32_t position = (n * 131 + r) & 0xFFFFFF;
                const uint32_t display = (n * 977 + r * 3) & 0xFFFFFF;
                f.entries[r] = {ch, position, display};
            }
            const auto bytes = EncodeBlockFrame(f);
            out.bytes.assign(bytes.begin(), bytes.end());
            // The record layout's rule: the first record for a channel wins.
            for (unsigned r = 0; r < 7; ++r) {
                bool seen = false;
                for (const auto& s : out.readings) seen = seen || s.channel == f.entries[r].channel;
                if (!seen)
                    out.readings.push_back({f.entries[r].channel, static_cast<int32_t>(f.entries[r].position),
                                            BlockDisplayValue(f.entries[r].display)});
            }
            break;
        }
        case kFormatText: {
            const TextFields f{static_cast<uint8_t>(n % 32), (n * 7919) % 100000, (n * 37) % 10000, n % 3 == 0};
            const auto bytes = EncodeTextFrame(f);
            out.bytes.assign(bytes.begin() + (first ? 0 : 1), bytes.end());
            const auto value = static_cast<int32_t>(f.displayDigits * 10);
            out.readings.push_back(
                {f.channel, static_cast<int32_t>(f.positionDigits * 10), f.negative ? -value : value});
            break;
        }
        case kFormatPolledGeneral:
        case kFormatPushedGeneral: {
            const GeneralFields f{static_cast<uint8_t>(n % 32), (n * 104729u) & 0xFFFFFF, (n * 7727u) & 0x7FFFFF,
                                  n % 2 == 1, false};
            const auto bytes = EncodeGeneralFrame(f);
            out.bytes.assign(bytes.begin(), bytes.end());
            const auto value = static_cast<int32_t>(2 * f.display);
            out.readings.push_back({f.channel, static_cast<int32_t>(2 * f.position), f.negative ? -value : value});
            break;
        }
        case kFormatWireless: {
            const WirelessFields f{static_cast<uint8_t>(n % 32), (n * 7919u) & 0xFFFFF, (n * 331u) & 0x7FFFF,
                                   n % 2 == 0, false};
            const auto bytes = EncodeWirelessFrame(f);
            out.bytes.assign(bytes.begin(), bytes.end());
            const auto value = static_cast<int32_t>(f.display * 10 / 4);
            out.readings.push_back({f.channel, static_cast<int32_t>(f.position * 10 / 4), f.negative ? -value : value});
            break;
        }
        default:
            break;
    }
    return out;
}

// `frames` frames back to back, concatenated.
inline std::vector<uint8_t> MakeStream(uint8_t format, uint32_t frames, uint32_t firstNumber = 0) {
    std::vector<uint8_t> bytes;
    for (uint32_t n = 0; n < frames; ++n) {
        const SentFrame f = MakeFrame(format, firstNumber + n, n == 0);
        bytes.insert(bytes.end(), f.bytes.begin(), f.bytes.end());
    }
    return bytes;
}

// A block frame in the fixed layout: channel r at position 1000 + r showing
// -1270 x (r + 1); `fresh` is its status byte.
inline std::vector<uint8_t> FixedLayoutBlockFrame(uint8_t fresh) {
    BlockFields f;
    f.layout = BlockLayout::Fixed;
    for (unsigned r = 0; r < 8; ++r) f.entries[r] = {0, 1000 + r, 0x000400 * (r + 1)};
    f.status = fresh;
    const auto bytes = EncodeBlockFrame(f);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A block frame in the record layout that names channel 5 twice (111 / -1270
// first, then 222 / -2540), channel 16 (beyond the format), channel 15
// (444 / +1) and three records of no channel.
inline std::vector<uint8_t> RecordLayoutBlockFrameWithRepeats() {
    BlockFields f;
    f.layout = BlockLayout::Record;
    f.entries[0] = {5, 111, 0x000400};
    f.entries[1] = {5, 222, 0x000800};
    f.entries[2] = {16, 333, 0x000400};
    f.entries[3] = {15, 444, 0xFFFFFF};
    for (unsigned r = 4; r < 7; ++r) f.entries[r] = {200, 0, 0};
    const auto bytes = EncodeBlockFrame(f);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace vexla::testing
