#pragma once
// A station as a citizen of the plant's broker (docs/plant.md holds the
// contract):
//   ROOT/STATION/status    retained; {"online":false} as the will
//   ROOT/STATION/gauge/NN  retained, QoS 0, on change, at most N a second
//   ROOT/STATION/part      QoS 1, through the on-disk queue, in order
// The recorder and the station call it from their one thread: Gauge() and
// Part() as readings and parts come, Poll() at every tick.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/result.h"
#include "publish/mqtt_client.h"
#include "publish/part_queue.h"
#include "publish/publish_settings.h"
#include "recorder/model/recording.h"

namespace vexla::publish {

struct Publisher {
    std::string program;  // "vexla-rec", "vexla-station"
    std::string version;
    uint32_t segment = 1;
};

// A channel's latest reading as a dashboard shows it.
struct GaugeReading {
    recorder::LocalTime time;
    recorder::Reading reading;
    int32_t rate = -1;  // tenths of updates a second; 0: the gauge is silent
    std::optional<quality::Judgement> judgement;
    std::string name;
};

// A captured part with all it was judged on.
struct PartMessage {
    uint64_t number = 0;
    recorder::PartIdentity identity;
    recorder::LocalTime time;
    recorder::PartVerdict verdict;
    const std::vector<recorder::ReadingRow>* rows = nullptr;
    const quality::LimitsTable* limits = nullptr;
    std::function<std::string(int)> name;  // a channel's name
};

std::string StatusPayload(const Publisher& who, const std::string& station, bool online,
                          const recorder::LocalTime& now);
std::string GaugePayload(int channel, const GaugeReading& gauge);
std::string PartPayload(const std::string& station, const PartMessage& part);

class PlantPublisher {
  public:
    // The queue opened (a missing folder made); the broker is reached at
    // the first Poll().
    static Result<std::unique_ptr<PlantPublisher>> Start(PublishSettings settings, Publisher who,
                                                         std::unique_ptr<TcpLink> link = MakeTcpLink());
    ~PlantPublisher();

    // A channel's reading: published when it differs from the last one
    // published, at most gaugeRate times a second; the latest waits.
    void Gauge(int channel, const GaugeReading& gauge);
    // The part is on the disk when this returns Done; sent when it can be.
    Status Part(std::string payload);
    void Poll(int64_t nowMs);
    // The status goes offline (retained) and the connection ends cleanly.
    void Stop();

    size_t Queued() const { return queue_->Size(); }
    uint64_t Dropped() const { return queue_->Dropped(); }
    bool Connected() const { return client_->Connected(); }
    // Why the broker is not there (empty while it is), and whether it
    // refused the user name or password.
    const std::string& Problem() const { return client_->Problem(); }
    bool CredentialsRefused() const { return client_->Refused(); }
    std::string Where() const { return settings_.host + ":" + std::to_string(settings_.port); }
    // "broker up, 2 parts queued", "broker: Connection refused, 14 parts
    // queued", "... queue full: 3 oldest parts dropped".
    std::string StatusText() const;
    const std::string& Station() const { return station_; }
    const std::string& QueuePath() const { return queue_->Path(); }
    std::string Topic(const std::string& leaf) const { return prefix_ + leaf; }

  private:
    PlantPublisher(PublishSettings settings, Publisher who, std::unique_ptr<PartQueue> queue,
                   std::unique_ptr<MqttClient> client, std::string station);
    void SendGauges(int64_t now);
    void SendParts();

    struct Channel {
        std::string key;        // what the last published reading said
        std::string published;  // and its payload
        std::string pending;    // a newer payload to publish, or empty
        std::string pendingKey;
        int64_t sentAt = INT64_MIN / 2;
    };

    PublishSettings settings_;
    Publisher who_;
    std::unique_ptr<PartQueue> queue_;
    std::unique_ptr<MqttClient> client_;
    std::string station_;
    std::string prefix_;  // ROOT/STATION/
    std::array<Channel, quality::kChannels> channels_;
    size_t sent_ = 0;           // queued parts sent on this connection, from the front
    std::deque<uint16_t> ids_;  // their packet identifiers, front first
    bool wasConnected_ = false;
    int64_t lastPoll_ = 0;
    bool stopped_ = false;
};

// Every chosen channel's latest reading from a tick of the driver, for
// PlantPublisher::Gauge. Keeps what the block said until it says more.
class GaugeTracker {
  public:
    void Take(const VexlaDataBlock32& block, const int32_t (&rates)[32], uint32_t chosen,
              const std::array<monitor::HardwareType, quality::kChannels>& kinds, const quality::LimitsTable& limits,
              const recorder::LocalTime& now);
    // Hands each chosen channel with a reading to `publisher`.
    void PublishTo(PlantPublisher& publisher, const std::function<std::string(int)>& name) const;

  private:
    std::array<std::optional<GaugeReading>, quality::kChannels> latest_;
};

}  // namespace vexla::publish
