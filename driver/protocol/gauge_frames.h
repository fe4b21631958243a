#pragma once
// The protocol layer: what travels on the line. This folder holds the
// gauges' frames (here), the driver's command frames, CRC-8 and parity, the
// data formats, the receive ring and the frame scanner; nothing in it keeps
// driver state.
//
// Frames that the gauges send, one checker/decoder and one encoder per kind.
// Decoders take exactly one frame's bytes and return the reading(s) when every
// check passes; they never throw. Encoders build what a gauge would send (the
// simulator and the tests use them); they take the raw wire fields so that
// every value a gauge can put on the line, wrap points included, is reachable.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vexla {

inline constexpr std::size_t kBlockFrameLength = 62;
inline constexpr std::size_t kTextFrameLength = 15;
inline constexpr std::size_t kGeneralFrameLength = 11;
inline constexpr std::size_t kWirelessFrameLength = 8;

// One gauge's numbers as the channel table takes them: the position count in
// the format's own unit and the display value in tenths of the last digit.
struct GaugeReading {
    uint8_t channel = 0;
    int32_t position = 0;
    int32_t value = 0;
};

// ---- General frame (formats 2 and 3), 11 bytes -------------------------------

struct GeneralFields {
    uint8_t channel = 0;    // 0..127 on the wire; the driver accepts 0..31
    uint32_t position = 0;  // 24-bit field; position count = 2 x field
    uint32_t display = 0;   // 23-bit field; display value = +-2 x field
    bool negative = false;
    bool fault = false;  // a gauge reporting a fault sets bit 3 of byte 8
};

uint8_t GeneralSumCheck(std::span<const uint8_t> bytes0to8);
uint8_t GeneralRotateCheck(std::span<const uint8_t> bytes0to9);
std::optional<GaugeReading> DecodeGeneralFrame(std::span<const uint8_t, kGeneralFrameLength> f);
std::array<uint8_t, kGeneralFrameLength> EncodeGeneralFrame(const GeneralFields& fields);

// ---- Wireless frame (format 4), 8 bytes --------------------------------------

struct WirelessFields {
    uint8_t channel = 0;    // 0..63 on the wire; the driver accepts 0..31
    uint32_t position = 0;  // 20-bit field; position count = floor(field x 10 / 4)
    uint32_t display = 0;   // 19-bit field; display value = +-floor(field x 10 / 4)
    bool negative = false;
    bool fault = false;
};

std::optional<GaugeReading> DecodeWirelessFrame(std::span<const uint8_t, kWirelessFrameLength> f);
std::array<uint8_t, kWirelessFrameLength> EncodeWirelessFrame(const WirelessFields& fields);

// ---- Text frame (format 1), 15 bytes including both carriage returns ---------

struct TextFields {
    uint8_t channel = 0;          // 0..31, sent as "1".."P"
    uint32_t positionDigits = 0;  // five digits; position count = number x 10
    uint32_t displayDigits = 0;   // four digits; display value = +-number x 10
    bool negative = false;
};

uint8_t TextRotateCheck(std::span<const uint8_t> bytes1to11);
std::optional<GaugeReading> DecodeTextFrame(std::span<const uint8_t, kTextFrameLength> f);
// A reading between two carriage returns. In a stream consecutive readings
// share the carriage return between them: send all 15 bytes of the first and
// bytes 1..14 of every later one.
std::array<uint8_t, kTextFrameLength> EncodeTextFrame(const TextFields& fields);

// ---- Block frame (format 0), 62 bytes ----------------------------------------

enum class BlockLayout : uint8_t {
    Record,  // seven records of channel, position, display (channels 0..15)
    Fixed,   // channels 0..7 in order, plus a status byte of fresh readings
};

struct BlockEntry {
    uint8_t channel = 0;    // record layout only; ignored in the fixed layout
    uint32_t position = 0;  // 24-bit raw position count
    uint32_t display = 0;   // 24-bit display field
};

struct BlockFields {
    BlockLayout layout = BlockLayout::Record;
    std::array<BlockEntry, 8> entries{};  // record layout uses the first seven
    uint8_t status = 0;                   // fixed layout: bit r = channel r fresh
};

struct BlockFrame {
    BlockLayout layout = BlockLayout::Record;
    // Record layout: seven readings whose channel byte may exceed 15 (such a
    // record is to be ignored). Fixed layout: channels 0..7.
    std::array<GaugeReading, 8> readings{};
    std::size_t count = 0;
    uint8_t status = 0;
};

int32_t BlockDisplayValue(uint32_t field);
// Inverse of BlockDisplayValue for the values a gauge can show: the display
// field whose decoded value is `value` (the largest such field when several are).
uint32_t BlockDisplayField(int32_t value);
std::optional<BlockFrame> DecodeBlockFrame(std::span<const uint8_t, kBlockFrameLength> f);
std::array<uint8_t, kBlockFrameLength> EncodeBlockFrame(const BlockFields& fields);

}  // namespace vexla
