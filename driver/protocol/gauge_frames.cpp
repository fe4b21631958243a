#include "protocol/gauge_frames.h"

#include <algorithm>

#include "protocol/crc8.h"
#include "protocol/odd_parity.h"

namespace vexla {
namespace {

constexpr uint8_t Low7(uint32_t v) {
    return static_cast<uint8_t>(v & 0x7F);
}

// Every byte after the first must leave bit 7 clear in formats 2, 3 and 4.
bool TailIs7Bit(std::span<const uint8_t> f) {
    for (std::size_t i = 1; i < f.size(); ++i)
        if (f[i] > 0x7F) return false;
    return true;
}

uint32_t Be24(std::span<const uint8_t> f, std::size_t at) {
    return (uint32_t{f[at]} << 16) | (uint32_t{f[at + 1]} << 8) | f[at + 2];
}

void PutBe24(std::span<uint8_t> f, std::size_t at, uint32_t v) {
    f[at] = static_cast<uint8_t>(v >> 16);
    f[at + 1] = static_cast<uint8_t>(v >> 8);
    f[at + 2] = static_cast<uint8_t>(v);
}

constexpr std::array<uint8_t, 8> kBlockRecordHeader = {0xFF, 0xFF, 0x0F, 0xF0, 0x01, 0x16, 0x21, 0x33};
constexpr std::array<uint8_t, 8> kBlockFixedHeader = {0xFF, 0xFF, 0x0F, 0xF0, 0x01, 0x02, 0x03, 0x33};
constexpr std::size_t kBlockPayload = 8;  // P[1] is frame byte 8

}  // namespace

// ---- General frame ---------------------------------------------------------

uint8_t GeneralSumCheck(std::span<const uint8_t> bytes0to8) {
    unsigned sum = 0;
    for (uint8_t b : bytes0to8) sum += b;
    return static_cast<uint8_t>(((sum & 0xFF) ^ 0x55) & 0x7F);
}

uint8_t GeneralRotateCheck(std::span<const uint8_t> bytes0to9) {
    uint8_t acc = 0;
    for (uint8_t b : bytes0to9) {
        // Rotate right by one with the rotated-out bit inverted into bit 7.
        const uint8_t g = (b & 1) ? static_cast<uint8_t>(b >> 1) : static_cast<uint8_t>((b >> 1) | 0x80);
        acc ^= g;
    }
    return static_cast<uint8_t>((acc ^ 0xAA) & 0x7F);
}

std::optional<GaugeReading> DecodeGeneralFrame(std::span<const uint8_t, kGeneralFrameLength> f) {
    if (f[0] < 0x80 || f[7] != f[0] - 0x80 || !TailIs7Bit(f)) return std::nullopt;
    if (f[9] != GeneralSumCheck(f.first(9))) return std::nullopt;
    if (f[10] != GeneralRotateCheck(f.first(10))) return std::nullopt;
    if (f[8] & 0x08) return std::nullopt;  // the gauge's fault mark
    const uint8_t channel = f[0] - 0x80;
    if (channel > 31) return std::nullopt;

    const uint32_t position =
        (uint32_t{f[1]} << 17) | (uint32_t{f[2]} << 10) | (uint32_t{f[3]} << 3) | ((f[8] >> 4) & 0x07);
    const uint32_t display =
        (uint32_t{f[4] & 0x3Fu} << 17) | (uint32_t{f[5]} << 10) | (uint32_t{f[6]} << 3) | (f[8] & 0x07);
    const int32_t value = static_cast<int32_t>(2 * display);
    return GaugeReading{channel, static_cast<int32_t>(2 * position), (f[4] & 0x40) ? -value : value};
}

std::array<uint8_t, kGeneralFrameLength> EncodeGeneralFrame(const GeneralFields& in) {
    const uint32_t p = in.position & 0xFFFFFF;
    const uint32_t d = in.display & 0x7FFFFF;
    std::array<uint8_t, kGeneralFrameLength> f{};
    f[0] = static_cast<uint8_t>(0x80 | (in.channel & 0x7F));
    f[1] = Low7(p >> 17);
    f[2] = Low7(p >> 10);
    f[3] = Low7(p >> 3);
    f[4] = static_cast<uint8_t>((in.negative ? 0x40 : 0) | ((d >> 17) & 0x3F));
    f[5] = Low7(d >> 10);
    f[6] = Low7(d >> 3);
    f[7] = f[0] - 0x80;
    f[8] = static_cast<uint8_t>(((p & 7) << 4) | (in.fault ? 0x08 : 0) | (d & 7));
    f[9] = GeneralSumCheck(std::span(f).first(9));
    f[10] = GeneralRotateCheck(std::span(f).first(10));
    return f;
}

// ---- Wireless frame --------------------------------------------------------

std::optional<GaugeReading> DecodeWirelessFrame(std::span<const uint8_t, kWirelessFrameLength> f) {
    if (f[0] < 0x80 || !TailIs7Bit(f)) return std::nullopt;
    // Bit 7 of the CRC travels in bit 6 of byte 0; put it back before checking.
    std::array<uint8_t, kWirelessFrameLength> c{};
    std::copy(f.begin(), f.end(), c.begin());
    if (c[0] & 0x40) {
        c[0] &= static_cast<uint8_t>(~0x40);
        c[7] |= 0x80;
    }
    if (Crc8(c) != 0) return std::nullopt;
    if (f[4] & 0x40) return std::nullopt;  // the gauge's fault mark
    const uint8_t channel = f[0] & 0x3F;
    if (channel > 31) return std::nullopt;

    const uint32_t position = (uint32_t{f[1] & 0x3Fu} << 14) | (uint32_t{f[2]} << 7) | f[3];
    const uint32_t display = (uint32_t{f[4] & 0x1Fu} << 14) | (uint32_t{f[5]} << 7) | f[6];
    const int32_t value = static_cast<int32_t>(display * 10 / 4);
    return GaugeReading{channel, static_cast<int32_t>(position * 10 / 4), (f[4] & 0x20) ? -value : value};
}

std::array<uint8_t, kWirelessFrameLength> EncodeWirelessFrame(const WirelessFields& in) {
    const uint32_t p = in.position & 0xFFFFF;
    const uint32_t d = in.display & 0x7FFFF;
    std::array<uint8_t, kWirelessFrameLength> f{};
    f[0] = static_cast<uint8_t>(0x80 | (in.channel & 0x3F));
    f[1] = static_cast<uint8_t>((p >> 14) & 0x3F);
    f[2] = Low7(p >> 7);
    f[3] = Low7(p);
    f[4] = static_cast<uint8_t>((in.fault ? 0x40 : 0) | (in.negative ? 0x20 : 0) | ((d >> 14) & 0x1F));
    f[5] = Low7(d >> 7);
    f[6] = Low7(d);
    const uint8_t crc = Crc8(std::span(f).first(7));
    f[7] = crc & 0x7F;
    if (crc & 0x80) f[0] |= 0x40;
    return f;
}

// ---- Text frame ------------------------------------------------------------

uint8_t TextRotateCheck(std::span<const uint8_t> bytes1to11) {
    uint8_t f = 0;
    for (uint8_t b : bytes1to11) {
        f ^= b;
        f = static_cast<uint8_t>((f >> 1) | (f << 7));
    }
    return f;
}

std::optional<GaugeReading> DecodeTextFrame(std::span<const uint8_t, kTextFrameLength> f) {
    if (f[0] != 0x0D || f[14] != 0x0D) return std::nullopt;
    for (std::size_t i = 1; i <= 13; ++i)
        if (!HasOddParity(f[i])) return std::nullopt;
    if (f[7] != 0xAB && f[7] != 0xAD) return std::nullopt;
    const uint8_t check = TextRotateCheck(f.subspan(1, 11));
    if ((f[12] & 0x7F) != 0x41 + (check >> 4) || (f[13] & 0x7F) != 0x41 + (check & 0x0F)) return std::nullopt;
    const int channel = (f[1] & 0x7F) - 0x31;
    if (channel < 0 || channel > 31) return std::nullopt;

    // Digits are taken as they come: the gauge's checks above are all there is.
    auto digits = [&](std::size_t from, std::size_t count) {
        int32_t n = 0;
        for (std::size_t i = from; i < from + count; ++i) n = n * 10 + ((f[i] & 0x7F) - 0x30);
        return n;
    };
    const int32_t value = digits(8, 4) * 10;
    return GaugeReading{static_cast<uint8_t>(channel), digits(2, 5) * 10, f[7] == 0xAD ? -value : value};
}

std::array<uint8_t, kTextFrameLength> EncodeTextFrame(const TextFields& in) {
    std::array<uint8_t, kTextFrameLength> f{};
    f[0] = 0x0D;
    f[1] = WithOddParity(static_cast<uint8_t>(0x31 + in.channel));
    uint32_t p = in.positionDigits % 100000;
    for (std::size_t i = 6; i >= 2; --i, p /= 10) f[i] = WithOddParity(static_cast<uint8_t>('0' + p % 10));
    f[7] = in.negative ? 0xAD : 0xAB;
    uint32_t d = in.displayDigits % 10000;
    for (std::size_t i = 11; i >= 8; --i, d /= 10) f[i] = WithOddParity(static_cast<uint8_t>('0' + d % 10));
    const uint8_t check = TextRotateCheck(std::span(f).subspan(1, 11));
    f[12] = WithOddParity(static_cast<uint8_t>(0x41 + (check >> 4)));
    f[13] = WithOddParity(static_cast<uint8_t>(0x41 + (check & 0x0F)));
    f[14] = 0x0D;
    return f;
}

// ---- Block frame -----------------------------------------------------------

int32_t BlockDisplayValue(uint32_t field) {
    const uint32_t d = field & 0xFFFFFF;
    // 64-bit products: d x 1270 overflows 32 bits for most fields.
    if ((d >> 16) > 0x80) return static_cast<int32_t>((int64_t{0x1000000} - d) * 1270 / 1024);
    return static_cast<int32_t>(-(int64_t{d} * 1270 / 1024));
}

uint32_t BlockDisplayField(int32_t value) {
    constexpr int64_t kLargestNegativeField = 0x80FFFF;                  // H <= 0x80
    constexpr int64_t kLargestPositiveMagnitude = 0x1000000 - 0x810000;  // H = 0x81
    const int64_t magnitude = value < 0 ? -int64_t{value} : int64_t{value};
    int64_t m = (magnitude * 1024 + 1269) / 1270;  // smallest field reaching |value|
    if (value > 0) {
        if (m > kLargestPositiveMagnitude) m = kLargestPositiveMagnitude;
        return static_cast<uint32_t>(0x1000000 - m);
    }
    if (m > kLargestNegativeField) m = kLargestNegativeField;
    return static_cast<uint32_t>(m);
}

std::optional<BlockFrame> DecodeBlockFrame(std::span<const uint8_t, kBlockFrameLength> f) {
    BlockFrame out;
    if (std::equal(kBlockRecordHeader.begin(), kBlockRecordHeader.end(), f.begin()))
        out.layout = BlockLayout::Record;
    else if (std::equal(kBlockFixedHeader.begin(), kBlockFixedHeader.end(), f.begin()))
        out.layout = BlockLayout::Fixed;
    else
        return std::nullopt;
    if (f[59] != 0x0B || f[60] != 0x0C || f[61] != 0x0D) return std::nullopt;

    auto payload = f.subspan(kBlockPayload, 49);  // payload[k - 1] is P[k]
    unsigned oddSum = 0, evenSum = 0;
    for (std::size_t k = 1; k <= 49; ++k) (k % 2 ? oddSum : evenSum) += payload[k - 1];
    if (f[57] != (oddSum & 0xFF) || f[58] != (evenSum & 0xFF)) return std::nullopt;

    if (out.layout == BlockLayout::Record) {
        out.count = 7;
        for (std::size_t r = 0; r < 7; ++r) {
            auto rec = payload.subspan(7 * r, 7);
            out.readings[r] = {rec[0], static_cast<int32_t>(Be24(rec, 1)), BlockDisplayValue(Be24(rec, 4))};
        }
    } else {
        out.count = 8;
        for (std::size_t r = 0; r < 8; ++r) {
            auto rec = payload.subspan(6 * r, 6);
            out.readings[r] = {static_cast<uint8_t>(r), static_cast<int32_t>(Be24(rec, 0)),
                               BlockDisplayValue(Be24(rec, 3))};
        }
        out.status = payload[48];
    }
    return out;
}

std::array<uint8_t, kBlockFrameLength> EncodeBlockFrame(const BlockFields& in) {
    std::array<uint8_t, kBlockFrameLength> f{};
    const auto& header = in.layout == BlockLayout::Record ? kBlockRecordHeader : kBlockFixedHeader;
    std::copy(header.begin(), header.end(), f.begin());
    auto payload = std::span(f).subspan(kBlockPayload, 49);
    if (in.layout == BlockLayout::Record) {
        for (std::size_t r = 0; r < 7; ++r) {
            auto rec = payload.subspan(7 * r, 7);
            rec[0] = in.entries[r].channel;
            PutBe24(rec, 1, in.entries[r].position);
            PutBe24(rec, 4, in.entries[r].display);
        }
    } else {
        for (std::size_t r = 0; r < 8; ++r) {
            auto rec = payload.subspan(6 * r, 6);
            PutBe24(rec, 0, in.entries[r].position);
            PutBe24(rec, 3, in.entries[r].display);
        }
        payload[48] = in.status;
    }
    unsigned oddSum = 0, evenSum = 0;
    for (std::size_t k = 1; k <= 49; ++k) (k % 2 ? oddSum : evenSum) += payload[k - 1];
    f[57] = static_cast<uint8_t>(oddSum);
    f[58] = static_cast<uint8_t>(evenSum);
    f[59] = 0x0B;
    f[60] = 0x0C;
    f[61] = 0x0D;
    return f;
}

}  // namespace vexla
