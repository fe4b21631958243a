// Searching the receive ring for frames of the active data format.

#include <optional>

#include "protocol/data_format.h"
#include "engine/driver.h"
#include "protocol/gauge_frames.h"

namespace vexla {
namespace {

struct FrameGeometry {
    int32_t window;   // bytes examined at each start position
    int32_t minimum;  // bytes that must be buffered before a search
    int32_t advance;  // where the search goes on after an accepted frame
};

// A text reading shares its closing carriage return with the next one, so
// the search goes on at i + 14 rather than after the whole window.
std::optional<FrameGeometry> GeometryOf(uint8_t format) {
    switch (format) {
        case kFormatBlock: return FrameGeometry{62, 62, 62};
        case kFormatText: return FrameGeometry{15, 16, 14};
        case kFormatPolledGeneral:
        case kFormatPushedGeneral: return FrameGeometry{11, 11, 11};
        case kFormatWireless: return FrameGeometry{8, 8, 8};
        default: return std::nullopt;
    }
}

// The first byte a frame of the format can start with; a cheap filter
// before the window is copied out of the ring.
bool CanStartFrame(uint8_t format, uint8_t first) {
    switch (format) {
        case kFormatBlock: return first == 0xFF;
        case kFormatText: return first == 0x0D;
        default: return first >= 0x80;
    }
}

}  // namespace

TChannelRecord Driver::DecodeFrames() {
    TChannelRecord record = Channels.EmptyRecord;
    if (!LinkOpen || !NewDataFlag) return record;
    NewDataFlag = false;

    const auto geometry = GeometryOf(Settings.DataFormat);
    if (!geometry || Receive.ReceiveCount < geometry->minimum) return record;
    ScanFlag = true;

    // Position 0 is always examined; later positions only while the window
    // ends before the newest byte, so a frame that may still be growing is
    // left for the next call. Exactly the examined positions are consumed.
    const int32_t count = Receive.ReceiveCount;
    bool accepted = false;
    int32_t i = 0;
    do {
        if (DecodeWindowAt(i, record)) {
            accepted = true;
            i += geometry->advance;
            if (Settings.DataFormat == kFormatBlock) break;  // one block frame per call
        } else {
            ++i;
        }
    } while (i < count - geometry->window);
    Receive.Consume(i);

    if (!accepted) return Channels.EmptyRecord;
    record.Header = kFlagTrue;
    record.RelativeFlag = Channels.References.RelativeMode ? kFlagTrue : kFlagFalse;
    return record;
}

bool Driver::DecodeWindowAt(int32_t i, TChannelRecord& record) {
    const uint8_t format = Settings.DataFormat;
    if (!CanStartFrame(format, Receive.At(i))) return false;

    std::array<uint8_t, kBlockFrameLength> window{};
    const auto length = static_cast<int32_t>(GeometryOf(format)->window);
    for (int32_t k = 0; k < length; ++k) window[static_cast<std::size_t>(k)] = Receive.At(i + k);

    ZeroReferences& refs = Channels.References;
    if (format == kFormatBlock) {
        const auto frame = DecodeBlockFrame(window);
        if (!frame) return false;
        if (frame->layout == BlockLayout::Record) {
            for (std::size_t r = 0; r < frame->count; ++r) {
                const GaugeReading& g = frame->readings[r];
                // Channels 0..15 only; the first record naming a channel wins.
                if (g.channel > 15 || record.Updated[g.channel] != 0) continue;
                refs.EnterReading(record, g.channel, g.position, g.value, format);
            }
        } else {
            for (std::size_t r = 0; r < frame->count; ++r) {
                const GaugeReading& g = frame->readings[r];
                refs.EnterReading(record, g.channel, g.position, g.value, format);
            }
            for (unsigned r = 0; r < 8; ++r)
                record.Updated[r] = (frame->status >> r) & 1 ? kFlagTrue : kFlagFalse;
        }
        return true;
    }

    std::optional<GaugeReading> reading;
    switch (format) {
        case kFormatText: reading = DecodeTextFrame(std::span(window).first<kTextFrameLength>()); break;
        case kFormatWireless:
            reading = DecodeWirelessFrame(std::span(window).first<kWirelessFrameLength>());
            break;
        default: reading = DecodeGeneralFrame(std::span(window).first<kGeneralFrameLength>()); break;
    }
    if (!reading) return false;
    refs.EnterReading(record, reading->channel, reading->position, reading->value, format);
    if (format != kFormatText) AliveCount[reading->channel] = kAliveAfterFrame;
    return true;
}

}  // namespace vexla
