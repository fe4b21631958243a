// Feeds arbitrary bytes through the receive ring and the frame scanner in
// every data format. The first input byte picks the format (any value:
// unknown ones must be harmless too), the second the chunk sizes; the rest is
// the line's bytes. Aborts if the ring's indices leave their range, the
// scanner consumes more than was buffered or accepts a channel that the
// format cannot carry.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "protocol/data_format.h"
#include "protocol/frame_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const uint8_t format = data[0] % 8;  // 5..7: no such format
    const std::size_t chunk = 1 + data[1] % 97;
    std::span<const uint8_t> line(data + 2, size - 2);
    vexla::ReceiveRing ring;

    for (std::size_t at = 0; at < line.size(); at += chunk) {
        ring.Append(line.subspan(at, std::min(chunk, line.size() - at)));
        const vexla::ScanResult scan = vexla::ScanFrames(ring, format);
        if (scan.consumed < 0 || scan.consumed > ring.ReceiveCount) std::abort();
        if (scan.count > scan.readings.size() || (scan.count > 0 && !scan.accepted)) std::abort();
        if (scan.searched != (scan.consumed > 0)) std::abort();
        const unsigned channels = format == vexla::kFormatBlock ? 16 : 32;
        for (std::size_t r = 0; r < scan.count; ++r)
            if (scan.readings[r].channel >= channels) std::abort();
        ring.Consume(scan.consumed);
        if (ring.ReceiveHead < 0 || ring.ReceiveHead >= 512) std::abort();
        if (ring.ReceiveCount < 0 || ring.ReceiveCount > 512) std::abort();
    }
    return 0;
}
