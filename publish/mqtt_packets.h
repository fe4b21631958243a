#pragma once
// The MQTT 3.1.1 packets a publisher sends and the broker's answers to
// them, as pure functions over bytes: CONNECT (keep-alive, will, clean or
// persistent session, user name and password), PUBLISH at QoS 0 and 1,
// PUBACK, PINGREQ, DISCONNECT; CONNACK, PUBACK and PINGRESP back. No
// socket, no clock: the client feeds what it received and sends what
// these return.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexla::publish::mqtt {

enum class PacketType : uint8_t {
    Connect = 1,
    Connack = 2,
    Publish = 3,
    Puback = 4,
    Pingreq = 12,
    Pingresp = 13,
    Disconnect = 14,
};

// The largest remaining length four length bytes can say.
inline constexpr size_t kMaxRemainingLength = 268'435'455;

struct Will {
    std::string topic;
    std::string payload;
    int qos = 0;
    bool retain = false;
};

struct Connect {
    std::string clientId;
    uint16_t keepAliveSeconds = 30;
    bool cleanSession = true;
    std::optional<Will> will;
    std::optional<std::string> userName;
    std::optional<std::string> password;  // only with a user name
};

struct Publish {
    std::string topic;
    std::string payload;
    int qos = 0;
    bool retain = false;
    bool dup = false;
    uint16_t packetId = 0;  // QoS 1 only: 1..65535
};

struct Connack {
    bool sessionPresent = false;
    uint8_t returnCode = 0;  // 0: accepted
};

std::string EncodeConnect(const Connect& packet);
std::string EncodePublish(const Publish& packet);
std::string EncodePuback(uint16_t packetId);
std::string EncodePingreq();
std::string EncodeDisconnect();

// One packet cut from the front of a received stream.
struct Frame {
    enum class State { Incomplete, Complete, Malformed } state = State::Incomplete;
    size_t size = 0;        // the whole packet's bytes, when Complete
    uint8_t header = 0;     // the first byte: type and flags
    std::string_view body;  // the variable header and payload
    PacketType Type() const { return static_cast<PacketType>(header >> 4); }
};
Frame NextFrame(std::string_view received);

// A frame's body read as the packet its type names; nothing when its
// flags or length are wrong for that packet.
std::optional<Connack> DecodeConnack(const Frame& frame);
std::optional<uint16_t> DecodePuback(const Frame& frame);
std::optional<Publish> DecodePublish(const Frame& frame);

// The broker's reason for a refused CONNECT, in words.
const char* ConnackReason(uint8_t returnCode);

}  // namespace vexla::publish::mqtt
