// The search rules of the five data formats: how many bytes a frame needs,
// where a frame can start, and where the search goes on after one.

#include "protocol/frame_scanner.h"

#include <span>

#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"

namespace vexla {
namespace {

struct FrameGeometry {
    int32_t window;   // bytes examined at each start position
    int32_t advance;  // where the search goes on after an accepted frame
};

// A text reading shares its closing carriage return with the next one, so
// the search goes on at i + 14 rather than after the whole window.
std::optional<FrameGeometry> GeometryOf(uint8_t format) {
    switch (format) {
        case kFormatBlock:
            return FrameGeometry{62, 62};
        case kFormatText:
            return FrameGeometry{15, 14};
        case kFormatPolledGeneral:
        case kFormatPushedGeneral:
            return FrameGeometry{11, 11};
        case kFormatWireless:
            return FrameGeometry{8, 8};
        default:
            return std::nullopt;
    }
}

// The first byte a frame of the format can start with; a cheap filter
// before the window is copied out of the ring.
bool CanStartFrame(uint8_t format, uint8_t first) {
    switch (format) {
        case kFormatBlock:
            return first == 0xFF;
        case kFormatText:
            return first == 0x0D;
        default:
            return first >= 0x80;
    }
}

void Add(ScanResult& result, const GaugeReading& g, bool refreshesLiveness, bool fresh = true) {
    if (result.count < result.readings.size())
        result.readings[result.count++] = {g.channel, g.position, g.value, refreshesLiveness, fresh};
}

// Decodes the N bytes that start i bytes into the unread data: in place
// where they lie in one piece, else from a copy.
template <std::size_t N, typename Decoder>
auto DecodeAt(const ReceiveRing& ring, int32_t i, Decoder decode) {
    const auto start = static_cast<std::size_t>((ring.ReceiveHead + i) % ReceiveRing::kSize);
    if (start + N <= ring.ReceiveBuffer.size())
        return decode(std::span<const uint8_t, N>(&ring.ReceiveBuffer[start], N));
    std::array<uint8_t, N> window;
    ring.CopyOut(i, window);
    return decode(std::span<const uint8_t, N>(window));
}

bool AcceptBlockFrameAt(const ReceiveRing& ring, int32_t i, ScanResult& result) {
    const auto frame = DecodeAt<kBlockFrameLength>(ring, i, DecodeBlockFrame);
    if (!frame) return false;
    if (frame->layout == BlockLayout::Record) {
        uint32_t named = 0;
        for (std::size_t r = 0; r < frame->count; ++r) {
            const GaugeReading& g = frame->readings[r];
            // Channels 0..15 only; the first record naming a channel wins.
            if (g.channel > 15 || (named >> g.channel & 1) != 0) continue;
            named |= 1u << g.channel;
            Add(result, g, false);
        }
    } else {
        for (std::size_t r = 0; r < frame->count; ++r)
            Add(result, frame->readings[r], false, (frame->status >> frame->readings[r].channel & 1) != 0);
    }
    return true;
}

// Checks the window that starts i bytes into the unread data; an accepted
// frame's readings are added to `result`.
bool AcceptFrameAt(const ReceiveRing& ring, int32_t i, uint8_t format, ScanResult& result) {
    std::optional<GaugeReading> reading;
    switch (format) {
        case kFormatBlock:
            return AcceptBlockFrameAt(ring, i, result);
        case kFormatText:
            reading = DecodeAt<kTextFrameLength>(ring, i, DecodeTextFrame);
            break;
        case kFormatWireless:
            reading = DecodeAt<kWirelessFrameLength>(ring, i, DecodeWirelessFrame);
            break;
        default:
            reading = DecodeAt<kGeneralFrameLength>(ring, i, DecodeGeneralFrame);
            break;
    }
    if (!reading) return false;
    Add(result, *reading, format != kFormatText);
    return true;
}

}  // namespace

ScanResult ScanFrames(const ReceiveRing& ring, uint8_t format) {
    ScanResult result;
    const auto geometry = GeometryOf(format);
    if (!geometry || ring.ReceiveCount < geometry->window) return result;
    result.searched = true;

    // Every position whose whole window has arrived is examined, the one
    // that ends at the newest byte too: a frame is decoded as soon as its
    // last byte is in, not when the next byte follows (a gauge that falls
    // silent would otherwise keep its last reading back for good). Exactly
    // the examined positions are consumed.
    const int32_t count = ring.ReceiveCount;
    int32_t i = 0;
    while (i + geometry->window <= count) {
        if (!CanStartFrame(format, ring.At(i))) {
            ++i;
        } else if (AcceptFrameAt(ring, i, format, result)) {
            result.accepted = true;
            i += geometry->advance;
        } else {
            ++result.rejected;
            ++i;
        }
    }
    result.consumed = i;
    return result;
}

}  // namespace vexla
