#include "publish/mqtt_client.h"

#include <algorithm>

namespace vexla::publish {

namespace {

// More than this waiting to go out: the link is backed up and live values
// are dropped rather than queued behind it.
constexpr size_t kBackedUp = 256 * 1024;

}  // namespace

MqttClient::MqttClient(ClientOptions options, std::unique_ptr<TcpLink> link)
    : options_(std::move(options)), link_(std::move(link)), retryMs_(options_.firstRetryMs) {}

MqttClient::~MqttClient() {
    Disconnect();
}

void MqttClient::Poll(int64_t now) {
    now_ = now;
    if (state_ == State::Idle) {
        if (now >= nextAttempt_) StartConnect(now);
        if (state_ == State::Idle) return;
    }
    if (state_ == State::Connecting) {
        Result<bool> connected = link_->Connected();
        if (!connected) return Fail(now, connected.Failure().Text());
        if (!*connected) {
            if (now - stateSince_ > options_.connectTimeoutMs) Fail(now, options_.host + ": no answer to the connect");
            return;
        }
        mqtt::Connect connect{options_.clientId, options_.keepAliveSeconds, options_.cleanSession,
                              options_.will,     options_.userName,         options_.password};
        out_ = mqtt::EncodeConnect(connect);
        state_ = State::AwaitingConnack;
        stateSince_ = now;
    }
    Flush(now);
    if (state_ == State::Idle) return;
    Read(now);
    if (state_ == State::AwaitingConnack && now - stateSince_ > options_.connectTimeoutMs)
        return Fail(now, options_.host + ": the broker did not accept the connection in time");
    if (state_ != State::Up) return;
    const int64_t keepAlive = int64_t{options_.keepAliveSeconds} * 1000;
    if (keepAlive > 0) {
        if (pingSent_ >= 0 && now - pingSent_ > keepAlive) return Fail(now, options_.host + ": the broker went silent");
        if (pingSent_ < 0 && now - lastSent_ >= keepAlive) {
            out_ += mqtt::EncodePingreq();
            pingSent_ = now;
            Flush(now);
        }
    }
}

void MqttClient::StartConnect(int64_t now) {
    out_.clear();
    in_.clear();
    pingSent_ = -1;
    stateSince_ = now;
    if (Status opened = link_->Open(options_.host, options_.port); !opened) return Fail(now, opened.Failure().Text());
    state_ = State::Connecting;
}

void MqttClient::Fail(int64_t now, std::string why) {
    link_->Close();
    state_ = State::Idle;
    problem_ = std::move(why);
    nextAttempt_ = now + retryMs_;
    retryMs_ = std::min(retryMs_ * 2, options_.lastRetryMs);
}

void MqttClient::Flush(int64_t now) {
    while (!out_.empty()) {
        Result<size_t> sent = link_->Send(out_);
        if (!sent) return Fail(now, sent.Failure().Text());
        if (*sent == 0) return;
        out_.erase(0, *sent);
        lastSent_ = now;
    }
}

void MqttClient::Read(int64_t now) {
    char buffer[4096];
    for (;;) {
        Result<size_t> got = link_->Receive(buffer);
        if (!got) return Fail(now, got.Failure().Text());
        if (*got == 0) return;
        in_.append(buffer, *got);
        for (;;) {
            const mqtt::Frame frame = mqtt::NextFrame(in_);
            if (frame.state == mqtt::Frame::State::Malformed) return Fail(now, options_.host + ": a malformed packet");
            if (frame.state == mqtt::Frame::State::Incomplete) break;
            Handle(frame, now);
            if (state_ == State::Idle) return;
            in_.erase(0, frame.size);
        }
    }
}

void MqttClient::Handle(const mqtt::Frame& frame, int64_t now) {
    switch (frame.Type()) {
        case mqtt::PacketType::Connack: {
            const auto ack = mqtt::DecodeConnack(frame);
            if (state_ != State::AwaitingConnack || !ack) return Fail(now, options_.host + ": an unexpected CONNACK");
            if (ack->returnCode != 0) {
                refused_ = ack->returnCode == 4 || ack->returnCode == 5;
                return Fail(now, options_.host + ": " + mqtt::ConnackReason(ack->returnCode));
            }
            state_ = State::Up;
            problem_.clear();
            refused_ = false;
            retryMs_ = options_.firstRetryMs;
            // What the last connection left unacknowledged goes first, in
            // its order, marked as a possible duplicate.
            for (InFlight& message : inFlight_) {
                message.packet[0] = static_cast<char>(message.packet[0] | 0x08);
                out_ += message.packet;
            }
            Flush(now);
            return;
        }
        case mqtt::PacketType::Puback: {
            const auto id = mqtt::DecodePuback(frame);
            if (!id) return Fail(now, options_.host + ": a malformed PUBACK");
            const auto found =
                std::find_if(inFlight_.begin(), inFlight_.end(), [&](const InFlight& m) { return m.id == *id; });
            if (found == inFlight_.end()) return;  // a late duplicate
            inFlight_.erase(found);
            acknowledged_.push_back(*id);
            return;
        }
        case mqtt::PacketType::Pingresp:
            pingSent_ = -1;
            return;
        case mqtt::PacketType::Publish:
            // Nothing is subscribed, but a persistent session may bring
            // something; a QoS 1 message is acknowledged so it stops.
            if (const auto p = mqtt::DecodePublish(frame); p && p->qos == 1) out_ += mqtt::EncodePuback(p->packetId);
            return;
        default:
            return Fail(now, options_.host + ": an unexpected packet");
    }
}

bool MqttClient::PublishNow(const std::string& topic, const std::string& payload, bool retain) {
    if (state_ != State::Up || out_.size() > kBackedUp) return false;
    out_ += mqtt::EncodePublish({topic, payload, 0, retain, false, 0});
    Flush(now_);
    return true;
}

uint16_t MqttClient::PublishAtLeastOnce(const std::string& topic, const std::string& payload, bool retain) {
    const uint16_t id = NextId();
    inFlight_.push_back({id, mqtt::EncodePublish({topic, payload, 1, retain, false, id})});
    if (state_ == State::Up) {
        out_ += inFlight_.back().packet;
        Flush(now_);
    }
    return id;
}

std::vector<uint16_t> MqttClient::TakeAcknowledged() {
    return std::exchange(acknowledged_, {});
}

uint16_t MqttClient::NextId() {
    // 0 is not an identifier; one still in flight is skipped.
    for (;;) {
        lastId_ = static_cast<uint16_t>(lastId_ == 0xFFFF ? 1 : lastId_ + 1);
        if (std::none_of(inFlight_.begin(), inFlight_.end(), [&](const InFlight& m) { return m.id == lastId_; }))
            return lastId_;
    }
}

void MqttClient::Disconnect() {
    if (state_ == State::Up) {
        out_ += mqtt::EncodeDisconnect();
        Flush(now_);
    }
    link_->Close();
    state_ = State::Idle;
    out_.clear();
}

}  // namespace vexla::publish
