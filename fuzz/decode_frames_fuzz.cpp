// Feeds arbitrary bytes through the receive event and the decoder in every
// data format. The first input byte picks the format (any value: unknown ones
// must be harmless too) and the chunk sizes; the rest is the line's bytes.
// Aborts if the ring's indices ever leave their range or a decoded record
// names a channel the format cannot carry.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "engine/driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    vexla::Driver d;
    d.LinkOpen = true;
    d.Settings.DataFormat = data[0] % 8;  // 5..7: no such format
    d.Settings.ResetOnConnect = 0;
    d.Channels.References.MarkAllCaptured();
    const std::size_t chunk = 1 + data[1] % 97;
    std::span<const uint8_t> line(data + 2, size - 2);

    for (std::size_t at = 0; at < line.size(); at += chunk) {
        d.SPComReceiveData(line.subspan(at, std::min(chunk, line.size() - at)));
        const vexla::TChannelRecord r = d.DecodeFrames();
        if (d.Receive.ReceiveHead < 0 || d.Receive.ReceiveHead >= 512) std::abort();
        if (d.Receive.ReceiveCount < 0 || d.Receive.ReceiveCount > 512) std::abort();
        if (r.Header == 0) {
            for (int16_t u : r.Updated)
                if (u != 0) std::abort();
        }
        if (d.Settings.DataFormat == 0)
            for (unsigned ch = 16; ch < 32; ++ch)
                if (r.Updated[ch] != 0) std::abort();
        d.ProcessTick();
        d.TakeResult();
    }
    return 0;
}
