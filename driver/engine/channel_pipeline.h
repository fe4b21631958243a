#pragma once
// The path of the gauges' readings through the driver: received bytes wait
// in the ring, a decode pass turns the frames the scanner accepts into a
// decode result with displacements, and the channel table averages, rates
// and hands results over.

#include <array>
#include <cstdint>
#include <span>

#include "channels/channel_table.h"
#include "protocol/receive_ring.h"

namespace vexla {

class ChannelPipeline {
  public:
    // A receive event: the bytes wait for the next decode pass (frames of a
    // burst that would not fit the ring are searched for at once).
    void Receive(std::span<const uint8_t> bytes, uint8_t format);
    // What was received and not yet decoded is dropped; DropReceived also
    // forgets that anything arrived.
    void ClearRing();
    void DropReceived();

    // One decode pass over the bytes that arrived since the last one.
    // `answered` gets bit c for each channel c whose gauge showed itself on
    // the line (the polled and pushed general formats and the wireless one).
    TChannelRecord Decode(uint8_t format, uint32_t& answered);
    // Whether a decode pass searched since the last call (a status counter).
    bool TakeSearched();

    // What the searches found since the last call, for the trace.
    struct LineCounts {
        std::array<uint32_t, kChannels> accepted{};  // frames by channel
        uint32_t rejected = 0;                       // windows that failed the checks
    };
    LineCounts TakeLineCounts();

    TChannelTable& Table() { return table_; }
    const TChannelTable& Table() const { return table_; }
    const ReceiveRing& Ring() const { return ring_; }

  private:
    // The readings of one decode pass, gathered over the searches made since
    // the last pass.
    struct DecodePass {
        TChannelRecord record{};
        bool accepted = false;
        uint32_t answered = 0;
        uint32_t fresh = 0;
        uint32_t stale = 0;
    };
    void Search(uint8_t format);
    void ResetPass();

    ReceiveRing ring_;
    DecodePass pass_;
    LineCounts counts_;
    bool newData_ = false;  // a receive event happened since the last decode
    bool searched_ = false;
    TChannelTable table_;
};

}  // namespace vexla
