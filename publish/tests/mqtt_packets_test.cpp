// The MQTT packets byte for byte as the 3.1.1 standard lays them out, the
// broker's answers cut from a stream however it arrives, and the client
// over a link that fails on demand.

#include <gtest/gtest.h>

#include <deque>

#include "publish/mqtt_client.h"
#include "publish/mqtt_packets.h"
#include "publish/publish_settings.h"

namespace vexla::publish {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view bytes) {
    std::string out;
    char two[4];
    for (const char b : bytes) {
        std::snprintf(two, sizeof two, "%02X ", static_cast<uint8_t>(b));
        out += two;
    }
    return out;
}

TEST(MqttPackets, EncodeAsTheStandardLaysThemOut) {
    mqtt::Connect plain{"c", 30, true, std::nullopt, std::nullopt, std::nullopt};
    mqtt::Connect full{"id", 60, false, mqtt::Will{"w", "{}", 1, true}, "u"s, "p"s};
    mqtt::Connect userOnly{"id", 0, false, std::nullopt, "u"s, std::nullopt};
    const struct {
        const char* what;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"CONNECT, clean, nothing else", mqtt::EncodeConnect(plain), "\x10\x0D\0\4MQTT\4\x02\0\x1E\0\1c"s},
        {"CONNECT, will QoS 1 retained, user and password, persistent", mqtt::EncodeConnect(full),
         "\x10\x1B\0\4MQTT\4\xEC\0\x3C\0\2id\0\1w\0\2{}\0\1u\0\1p"s},
        {"CONNECT, user without password", mqtt::EncodeConnect(userOnly), "\x10\x11\0\4MQTT\4\x80\0\0\0\2id\0\1u"s},
        {"PUBLISH QoS 0 retained", mqtt::EncodePublish({"a/b", "x", 0, true, false, 0}), "\x31\x06\0\3a/bx"s},
        {"PUBLISH QoS 1 duplicate", mqtt::EncodePublish({"t", "xy", 1, false, true, 0x1234}),
         "\x3A\x07\0\1t\x12\x34xy"s},
        {"PUBACK", mqtt::EncodePuback(7), "\x40\x02\0\7"s},
        {"PINGREQ", mqtt::EncodePingreq(), "\xC0\0"s},
        {"DISCONNECT", mqtt::EncodeDisconnect(), "\xE0\0"s},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(c.bytes), Hex(c.expected)) << c.what;
}

TEST(MqttPackets, RemainingLengthAtEachBoundaryReadsBack) {
    const struct {
        size_t payload;
        std::string lengthBytes;
    } cases[] = {
        {127 - 3, "\x7F"s},
        {128 - 3, "\x80\x01"s},
        {16383 - 3, "\xFF\x7F"s},
        {16384 - 3, "\x80\x80\x01"s},
        {2097152 - 3, "\x80\x80\x80\x01"s},
    };
    for (const auto& c : cases) {
        const std::string packet = mqtt::EncodePublish({"t", std::string(c.payload, 'x'), 0, false, false, 0});
        EXPECT_EQ(Hex(packet.substr(1, c.lengthBytes.size())), Hex(c.lengthBytes)) << c.payload;
        const std::string stream = packet + "more";
        const mqtt::Frame frame = mqtt::NextFrame(stream);
        ASSERT_EQ(frame.state, mqtt::Frame::State::Complete) << c.payload;
        EXPECT_EQ(frame.size, packet.size());
        const auto decoded = mqtt::DecodePublish(frame);
        ASSERT_TRUE(decoded) << c.payload;
        EXPECT_EQ(decoded->payload.size(), c.payload);
    }
}

TEST(MqttPackets, DecodeTheBrokersAnswersAndRefuseWhatIsWrong) {
    const struct {
        std::string bytes;
        mqtt::Frame::State state;
        std::optional<mqtt::Connack> connack;
        std::optional<uint16_t> puback;
    } cases[] = {
        {"\x20\x02\0\0"s, mqtt::Frame::State::Complete, mqtt::Connack{false, 0}, std::nullopt},
        {"\x20\x02\1\0"s, mqtt::Frame::State::Complete, mqtt::Connack{true, 0}, std::nullopt},
        {"\x20\x02\0\5"s, mqtt::Frame::State::Complete, mqtt::Connack{false, 5}, std::nullopt},
        {"\x20\x02\2\0"s, mqtt::Frame::State::Complete, std::nullopt, std::nullopt},    // reserved flag
        {"\x20\x03\0\0\0"s, mqtt::Frame::State::Complete, std::nullopt, std::nullopt},  // too long
        {"\x21\x02\0\0"s, mqtt::Frame::State::Complete, std::nullopt, std::nullopt},    // flags on CONNACK
        {"\x40\x02\xAB\xCD"s, mqtt::Frame::State::Complete, std::nullopt, uint16_t{0xABCD}},
        {"\x40\x01\xAB"s, mqtt::Frame::State::Complete, std::nullopt, std::nullopt},
        {"\x40\x02\xAB"s, mqtt::Frame::State::Incomplete, std::nullopt, std::nullopt},
        {"\x40"s, mqtt::Frame::State::Incomplete, std::nullopt, std::nullopt},
        {"\x40\x80\x80"s, mqtt::Frame::State::Incomplete, std::nullopt, std::nullopt},
        {"\x30\x80\x80\x80\x80\x01"s, mqtt::Frame::State::Malformed, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const mqtt::Frame frame = mqtt::NextFrame(c.bytes);
        EXPECT_EQ(frame.state, c.state) << Hex(c.bytes);
        if (frame.state != mqtt::Frame::State::Complete) continue;
        const auto connack = mqtt::DecodeConnack(frame);
        EXPECT_EQ(connack.has_value(), c.connack.has_value()) << Hex(c.bytes);
        if (connack && c.connack) {
            EXPECT_EQ(connack->sessionPresent, c.connack->sessionPresent) << Hex(c.bytes);
            EXPECT_EQ(connack->returnCode, c.connack->returnCode) << Hex(c.bytes);
        }
        EXPECT_EQ(mqtt::DecodePuback(frame), c.puback) << Hex(c.bytes);
    }
    // A stream split anywhere: nothing until the packet is whole.
    const std::string stream = "\x20\x02\0\0\x40\x02\0\x09\xD0\0"s;
    for (size_t cut = 0; cut < 4; ++cut)
        EXPECT_EQ(mqtt::NextFrame(stream.substr(0, cut)).state, mqtt::Frame::State::Incomplete) << cut;
    // PUBLISH read back; QoS 3, QoS 0 with DUP and packet id 0 refused.
    const std::string encoded = mqtt::EncodePublish({"a/b", "{}", 1, true, true, 9});
    const auto p = mqtt::DecodePublish(mqtt::NextFrame(encoded));
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->topic == "a/b" && p->payload == "{}" && p->qos == 1 && p->retain && p->dup && p->packetId == 9);
    for (const std::string& bad : {"\x36\x03\0\1t"s, "\x38\x03\0\1t"s, "\x32\x05\0\1t\0\0"s, "\x32\x03\0\1t"s})
        EXPECT_FALSE(mqtt::DecodePublish(mqtt::NextFrame(bad))) << Hex(bad);
}

TEST(PublishUrl, AcceptedPartsAndRefusalsWithTheirReason) {
    const struct {
        const char* url;
        const char* error;  // nullptr: accepted
        const char* host;
        uint16_t port;
        const char* root;
        const char* user;
        const char* password;
    } cases[] = {
        {"mqtt://broker/plant/line-2", nullptr, "broker", 1883, "plant/line-2", nullptr, nullptr},
        {"mqtt://10.0.0.5:1884", nullptr, "10.0.0.5", 1884, "vexla", nullptr, nullptr},
        {"mqtt://qa:s%40c:ret@broker.local:8883/site/", nullptr, "broker.local", 8883, "site", "qa", "s@c:ret"},
        {"mqtt://qa@[::1]:1883/x", nullptr, "::1", 1883, "x", "qa", nullptr},
        {"http://broker/x", "only plain mqtt://", "", 0, "", nullptr, nullptr},
        {"mqtts://broker/x", "only plain mqtt://", "", 0, "", nullptr, nullptr},
        {"mqtt:///x", "no host", "", 0, "", nullptr, nullptr},
        {"mqtt://bro ker/x", "not a name or an address", "", 0, "", nullptr, nullptr},
        {"mqtt://broker:0/x", "the port must be 1 to 65535", "", 0, "", nullptr, nullptr},
        {"mqtt://broker:99999/x", "the port must be 1 to 65535", "", 0, "", nullptr, nullptr},
        {"mqtt://broker:abc/x", "the port must be 1 to 65535", "", 0, "", nullptr, nullptr},
        {"mqtt://broker/a/#", "must not hold + or #", "", 0, "", nullptr, nullptr},
        {"mqtt://:pw@broker/x", "user name is empty", "", 0, "", nullptr, nullptr},
        {"mqtt://u:%4@broker/x", "bad %-escape", "", 0, "", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        PublishSettings s;
        const Status parsed = ParsePublishUrl(c.url, s);
        if (c.error) {
            EXPECT_FALSE(parsed) << c.url;
            if (!parsed) {
                EXPECT_NE(parsed.Failure().Text().find(c.error), std::string::npos) << parsed.Failure().Text();
            }
            EXPECT_TRUE(s.host.empty()) << c.url;  // nothing taken from a refused URL
            continue;
        }
        ASSERT_TRUE(parsed) << c.url << ": " << parsed.Failure().Text();
        EXPECT_EQ(s.host, c.host) << c.url;
        EXPECT_EQ(s.port, c.port) << c.url;
        EXPECT_EQ(s.root, c.root) << c.url;
        EXPECT_EQ(s.userName.value_or("(none)"), c.user ? c.user : "(none)") << c.url;
        EXPECT_EQ(s.password.value_or("(none)"), c.password ? c.password : "(none)") << c.url;
    }
}

// A connection that does what the test says: refuses, drops, answers.
struct FakeLink final : TcpLink {
    struct Shared {
        int opens = 0;
        bool refuse = false;
        std::string sent;
        std::string toReceive;
        bool dropped = false;
    };
    explicit FakeLink(Shared& shared) : s(shared) {}
    Status Open(const std::string&, uint16_t) override {
        ++s.opens;
        if (s.refuse) return Error{"fake", "Connection refused"};
        s.dropped = false;
        return Done{};
    }
    Result<bool> Connected() override { return true; }
    Result<size_t> Send(std::span<const char> bytes) override {
        if (s.dropped) return Error{"fake", "Broken pipe"};
        s.sent.append(bytes.data(), bytes.size());
        return bytes.size();
    }
    Result<size_t> Receive(std::span<char> into) override {
        if (s.dropped) return Error{"fake", "the broker closed the connection"};
        const size_t n = std::min(into.size(), s.toReceive.size());
        std::copy_n(s.toReceive.begin(), n, into.begin());
        s.toReceive.erase(0, n);
        return n;
    }
    void Close() override {}
    Shared& s;
};

std::vector<mqtt::Publish> Published(std::string_view sent) {
    std::vector<mqtt::Publish> out;
    for (mqtt::Frame f = mqtt::NextFrame(sent); f.state == mqtt::Frame::State::Complete; f = mqtt::NextFrame(sent)) {
        if (auto p = mqtt::DecodePublish(f)) out.push_back(*p);
        sent.remove_prefix(f.size);
    }
    return out;
}

// A client past its CONNACK over `link`.
std::unique_ptr<MqttClient> ConnectedClient(FakeLink::Shared& link, ClientOptions options) {
    options.host = "broker";
    auto client = std::make_unique<MqttClient>(options, std::make_unique<FakeLink>(link));
    link.toReceive = "\x20\x02\0\0"s;
    client->Poll(0);
    client->Poll(1);
    return client;
}

TEST(MqttClient, UnacknowledgedMessagesGoAgainInOrderAfterAReconnectAndBackOffGrows) {
    FakeLink::Shared link;
    ClientOptions options;
    options.firstRetryMs = 100;
    options.lastRetryMs = 400;
    auto owned = ConnectedClient(link, options);
    MqttClient& client = *owned;
    ASSERT_TRUE(client.Connected());
    const uint16_t a = client.PublishAtLeastOnce("p", "1", false);
    const uint16_t b = client.PublishAtLeastOnce("p", "2", false);
    client.PublishAtLeastOnce("p", "3", false);
    link.toReceive = mqtt::EncodePuback(a);
    client.Poll(2);
    EXPECT_EQ(client.TakeAcknowledged(), std::vector<uint16_t>{a});

    // The link drops; the broker is away for three attempts.
    link.dropped = true;
    link.refuse = true;
    link.sent.clear();
    std::vector<int64_t> attempts;
    for (int64_t t = 3; t < 2000; ++t) {
        const int before = link.opens;
        client.Poll(t);
        if (link.opens > before) attempts.push_back(t);
        if (attempts.size() == 4) break;
    }
    EXPECT_FALSE(client.Connected());
    EXPECT_NE(client.Problem().find("Connection refused"), std::string::npos) << client.Problem();
    ASSERT_EQ(attempts.size(), 4u);
    // 100, 200, 400, then 400 again: doubled to the ceiling.
    EXPECT_EQ(attempts[1] - attempts[0], 200);
    EXPECT_EQ(attempts[2] - attempts[1], 400);
    EXPECT_EQ(attempts[3] - attempts[2], 400);

    link.refuse = false;
    link.toReceive = "\x20\x02\0\0"s;
    for (int64_t t = attempts[3] + 1; t < attempts[3] + 1000 && !client.Connected(); ++t) client.Poll(t);
    ASSERT_TRUE(client.Connected());
    const auto again = Published(link.sent);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_TRUE(again[0].payload == "2" && again[0].dup && again[0].packetId == b);
    EXPECT_TRUE(again[1].payload == "3" && again[1].dup);

    // A refused password is told as such.
    link.dropped = true;
    client.Poll(attempts[3] + 2000);
    link.toReceive = "\x20\x02\0\4"s;
    for (int64_t t = attempts[3] + 2001; t < attempts[3] + 4000 && !client.Refused(); ++t) client.Poll(t);
    EXPECT_TRUE(client.Refused());
    EXPECT_NE(client.Problem().find("user name or password"), std::string::npos) << client.Problem();
}

TEST(MqttClient, AQuietLinkIsPingedAndABrokerThatNeverAnswersIsLeft) {
    FakeLink::Shared link;
    ClientOptions options;
    options.keepAliveSeconds = 10;
    auto owned = ConnectedClient(link, options);
    MqttClient& client = *owned;
    ASSERT_TRUE(client.Connected());
    link.sent.clear();
    client.Poll(9'999);
    EXPECT_EQ(Hex(link.sent), "") << "nothing before the keep-alive is up";
    client.Poll(10'001);
    EXPECT_EQ(Hex(link.sent), Hex(mqtt::EncodePingreq()));
    link.toReceive = "\xD0\0"s;  // PINGRESP
    client.Poll(12'000);
    client.Poll(20'002);
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(Hex(link.sent), Hex(mqtt::EncodePingreq() + mqtt::EncodePingreq()));
    // This time no answer: a broker gone without a word (a pulled cable).
    client.Poll(30'003);
    EXPECT_FALSE(client.Connected());
    EXPECT_NE(client.Problem().find("went silent"), std::string::npos) << client.Problem();
}

}  // namespace
}  // namespace vexla::publish
