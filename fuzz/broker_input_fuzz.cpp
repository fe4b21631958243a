// What comes from outside the publisher: the broker's byte stream, cut into
// packets and decoded, and a broker URL as a user types it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "publish/mqtt_packets.h"
#include "publish/publish_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexla::publish;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PublishSettings settings;
    (void)ParsePublishUrl(bytes, settings);
    while (!bytes.empty()) {
        const mqtt::Frame frame = mqtt::NextFrame(bytes);
        if (frame.state != mqtt::Frame::State::Complete) break;
        if (frame.size == 0 || frame.size > bytes.size()) __builtin_trap();
        (void)mqtt::DecodeConnack(frame);
        (void)mqtt::DecodePuback(frame);
        if (const auto p = mqtt::DecodePublish(frame); p && p->topic.size() + p->payload.size() > frame.body.size())
            __builtin_trap();
        bytes.remove_prefix(frame.size);
    }
    return 0;
}
