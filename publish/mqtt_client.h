#pragma once
// An MQTT 3.1.1 client for a publisher, driven from its owner's thread:
// Poll() connects (with back-off after a failure), reads the broker's
// answers, keeps the connection alive and resends every unacknowledged
// QoS 1 message, in order, after each reconnect. It never blocks and
// never throws; what went wrong last is a text to show.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "publish/mqtt_packets.h"
#include "publish/network.h"

namespace vexla::publish {

struct ClientOptions {
    std::string host;
    uint16_t port = 1883;
    std::string clientId;
    uint16_t keepAliveSeconds = 30;
    bool cleanSession = false;
    std::optional<mqtt::Will> will;
    std::optional<std::string> userName;
    std::optional<std::string> password;
    int64_t firstRetryMs = 500;  // doubled after each failure up to lastRetryMs
    int64_t lastRetryMs = 8000;
    int64_t connectTimeoutMs = 10000;  // TCP connect and CONNACK each
};

class MqttClient {
  public:
    MqttClient(ClientOptions options, std::unique_ptr<TcpLink> link);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Does whatever is due at `nowMs` (a steady clock).
    void Poll(int64_t nowMs);
    bool Connected() const { return state_ == State::Up; }
    // Why the last connection failed or ended; empty while none has.
    const std::string& Problem() const { return problem_; }
    // A CONNACK refused the user name or password: retrying cannot help
    // until someone changes them, though the client keeps trying.
    bool Refused() const { return refused_; }

    // QoS 0: sent now or never. False when not connected or when the
    // connection is backed up (a slow link drops live values, not parts).
    bool PublishNow(const std::string& topic, const std::string& payload, bool retain);
    // QoS 1: kept until the broker acknowledges it, resent after a
    // reconnect. The packet identifier that TakeAcknowledged() gives back.
    uint16_t PublishAtLeastOnce(const std::string& topic, const std::string& payload, bool retain);
    size_t Unacknowledged() const { return inFlight_.size(); }
    // The QoS 1 messages the broker has acknowledged since the last call.
    std::vector<uint16_t> TakeAcknowledged();

    // A clean end: DISCONNECT (so the will is not sent) and the link closed.
    void Disconnect();

  private:
    enum class State { Idle, Connecting, AwaitingConnack, Up };
    struct InFlight {
        uint16_t id;
        std::string packet;
    };

    void StartConnect(int64_t now);
    void Fail(int64_t now, std::string why);
    void Flush(int64_t now);
    void Read(int64_t now);
    void Handle(const mqtt::Frame& frame, int64_t now);
    uint16_t NextId();

    ClientOptions options_;
    std::unique_ptr<TcpLink> link_;
    State state_ = State::Idle;
    int64_t nextAttempt_ = 0;
    int64_t retryMs_;
    int64_t now_ = 0;  // the last Poll's time
    int64_t stateSince_ = 0;
    int64_t lastSent_ = 0;
    int64_t pingSent_ = -1;  // -1: no PINGREQ unanswered
    std::string out_;        // bytes the system has not taken yet
    std::string in_;         // bytes of a packet not whole yet
    std::deque<InFlight> inFlight_;
    std::vector<uint16_t> acknowledged_;
    uint16_t lastId_ = 0;
    std::string problem_;
    bool refused_ = false;
};

}  // namespace vexla::publish
