#include "publish/mqtt_packets.h"

namespace vexla::publish::mqtt {

namespace {

uint8_t Header(PacketType type, uint8_t flags = 0) {
    return static_cast<uint8_t>(static_cast<uint8_t>(type) << 4 | flags);
}

void PutU16(std::string& out, uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

// A length-prefixed string; longer than 65535 bytes is cut there, which
// no topic, client id or credential of ours comes near.
void PutString(std::string& out, std::string_view text) {
    if (text.size() > 0xFFFF) text = text.substr(0, 0xFFFF);
    PutU16(out, static_cast<uint16_t>(text.size()));
    out += text;
}

std::string Packet(uint8_t header, std::string_view body) {
    std::string out;
    out.reserve(body.size() + 5);
    out += static_cast<char>(header);
    size_t length = body.size();
    do {
        uint8_t digit = length % 128;
        length /= 128;
        if (length > 0) digit |= 0x80;
        out += static_cast<char>(digit);
    } while (length > 0);
    out += body;
    return out;
}

uint16_t U16(std::string_view bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) << 8 | static_cast<uint8_t>(bytes[at + 1]));
}

}  // namespace

std::string EncodeConnect(const Connect& p) {
    std::string body;
    PutString(body, "MQTT");
    body += '\x04';  // protocol level: 3.1.1
    uint8_t flags = p.cleanSession ? 0x02 : 0x00;
    if (p.will) flags |= static_cast<uint8_t>(0x04 | (p.will->qos & 3) << 3 | (p.will->retain ? 0x20 : 0));
    if (p.userName) {
        flags |= 0x80;
        if (p.password) flags |= 0x40;
    }
    body += static_cast<char>(flags);
    PutU16(body, p.keepAliveSeconds);
    PutString(body, p.clientId);
    if (p.will) {
        PutString(body, p.will->topic);
        PutString(body, p.will->payload);
    }
    if (p.userName) {
        PutString(body, *p.userName);
        if (p.password) PutString(body, *p.password);
    }
    return Packet(Header(PacketType::Connect), body);
}

std::string EncodePublish(const Publish& p) {
    std::string body;
    body.reserve(p.topic.size() + p.payload.size() + 4);
    PutString(body, p.topic);
    if (p.qos > 0) PutU16(body, p.packetId);
    body += p.payload;
    const auto flags = static_cast<uint8_t>((p.dup ? 0x08 : 0) | (p.qos & 3) << 1 | (p.retain ? 1 : 0));
    return Packet(Header(PacketType::Publish, flags), body);
}

std::string EncodePuback(uint16_t packetId) {
    std::string body;
    PutU16(body, packetId);
    return Packet(Header(PacketType::Puback), body);
}

std::string EncodePingreq() {
    return Packet(Header(PacketType::Pingreq), {});
}

std::string EncodeDisconnect() {
    return Packet(Header(PacketType::Disconnect), {});
}

Frame NextFrame(std::string_view received) {
    Frame frame;
    if (received.empty()) return frame;
    size_t length = 0;
    size_t at = 1;
    for (int shift = 0;; shift += 7, ++at) {
        if (at > 4) {  // a fifth length byte
            frame.state = Frame::State::Malformed;
            return frame;
        }
        if (at >= received.size()) return frame;
        const auto digit = static_cast<uint8_t>(received[at]);
        length |= static_cast<size_t>(digit & 0x7F) << shift;
        if ((digit & 0x80) == 0) break;
    }
    ++at;
    if (received.size() - at < length) return frame;
    frame.state = Frame::State::Complete;
    frame.header = static_cast<uint8_t>(received[0]);
    frame.body = received.substr(at, length);
    frame.size = at + length;
    return frame;
}

std::optional<Connack> DecodeConnack(const Frame& f) {
    if (f.header != Header(PacketType::Connack) || f.body.size() != 2) return std::nullopt;
    const auto ack = static_cast<uint8_t>(f.body[0]);
    if ((ack & 0xFE) != 0) return std::nullopt;
    return Connack{(ack & 1) != 0, static_cast<uint8_t>(f.body[1])};
}

std::optional<uint16_t> DecodePuback(const Frame& f) {
    if (f.header != Header(PacketType::Puback) || f.body.size() != 2) return std::nullopt;
    return U16(f.body, 0);
}

std::optional<Publish> DecodePublish(const Frame& f) {
    if (f.Type() != PacketType::Publish) return std::nullopt;
    Publish p;
    p.qos = (f.header >> 1) & 3;
    p.retain = (f.header & 1) != 0;
    p.dup = (f.header & 0x08) != 0;
    if (p.qos == 3 || (p.qos == 0 && p.dup) || f.body.size() < 2) return std::nullopt;
    const size_t topicLength = U16(f.body, 0);
    size_t at = 2 + topicLength;
    if (f.body.size() < at + (p.qos > 0 ? 2 : 0)) return std::nullopt;
    p.topic = f.body.substr(2, topicLength);
    if (p.qos > 0) {
        p.packetId = U16(f.body, at);
        at += 2;
        if (p.packetId == 0) return std::nullopt;
    }
    p.payload = f.body.substr(at);
    return p;
}

const char* ConnackReason(uint8_t returnCode) {
    switch (returnCode) {
        case 0:
            return "accepted";
        case 1:
            return "the broker does not speak MQTT 3.1.1";
        case 2:
            return "the broker refused the client identifier";
        case 3:
            return "the broker is unavailable";
        case 4:
            return "the broker refused the user name or password";
        case 5:
            return "the broker refused the user name or password (not authorised)";
        default:
            return "the broker refused the connection";
    }
}

}  // namespace vexla::publish::mqtt
