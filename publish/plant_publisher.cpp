#include "publish/plant_publisher.h"

#include <cstdio>

#include <chrono>
#include <filesystem>
#include <thread>

#include "quality/utf8_path.h"
#include "recorder/platform/run_control.h"
#include "recorder/report/json_writer.h"

namespace vexla::publish {

namespace {

using recorder::report::JsonWriter;

// Parts sent ahead of the broker's acknowledgements: enough to drain a
// long queue quickly, few enough that a reconnect resends little.
constexpr size_t kPartsInFlight = 32;

double Mm(quality::Fixed value) {
    return quality::ToMillimetres(value);
}

void Judgement(JsonWriter& json, const std::optional<quality::Judgement>& judgement) {
    json.Key("judgement");
    if (judgement)
        json.String(quality::JudgementText(*judgement));
    else
        json.Null();
}

// "gauge/07": the channel's topic, two digits so that topics sort.
std::string GaugeLeaf(int channel) {
    char leaf[16];
    std::snprintf(leaf, sizeof leaf, "gauge/%02d", channel);
    return leaf;
}

}  // namespace

std::string StatusPayload(const Publisher& who, const std::string& station, bool online,
                          const recorder::LocalTime& now) {
    JsonWriter json(false);
    json.BeginObject().Key("online").Bool(online);
    json.Key("station").String(station);
    json.Key("program").String(who.program);
    json.Key("version").String(who.version);
    json.Key("segment").Unsigned(who.segment);
    json.Key("ts").String(recorder::IsoText(now));
    return json.EndObject().Text();
}

std::string GaugePayload(int channel, const GaugeReading& g) {
    JsonWriter json(false);
    json.BeginObject().Key("ts").String(recorder::IsoText(g.time));
    json.Key("channel").Integer(channel);
    json.Key("value_mm").Number(Mm(g.reading.value));
    json.Key("displacement_mm").Number(Mm(g.reading.displacement));
    json.Key("decimals").Integer(g.reading.decimals);
    json.Key("rate");
    if (g.rate >= 0)
        json.Number(g.rate / 10.0);
    else
        json.Null();
    Judgement(json, g.judgement);
    json.Key("name").String(g.name);
    return json.EndObject().Text();
}

std::string PartPayload(const std::string& station, const PartMessage& part) {
    JsonWriter json(false);
    json.BeginObject().Key("station").String(station);
    json.Key("part").Unsigned(part.number);
    json.Key("part_id").String(part.identity.id);
    json.Key("batch").String(part.identity.batch);
    json.Key("operator").String(part.identity.operatorName);
    json.Key("ts").String(recorder::IsoText(part.time));
    json.Key("verdict").String(part.verdict.Ok() ? "OK" : "NOK");
    json.Key("verdict_text").String(part.verdict.Text());
    json.Key("characteristics").BeginArray();
    std::vector<int> written;
    const auto limits = [&](int channel) {
        const auto& l = part.limits ? part.limits->For(channel) : std::nullopt;
        json.Key("nominal_mm").Number(l ? std::optional<double>(Mm(l->nominal)) : std::nullopt);
        json.Key("lower_limit_mm").Number(l ? std::optional<double>(Mm(l->LowerLimit())) : std::nullopt);
        json.Key("upper_limit_mm").Number(l ? std::optional<double>(Mm(l->UpperLimit())) : std::nullopt);
    };
    const auto name = [&](int channel) { return part.name ? part.name(channel) : std::string(); };
    for (const recorder::ReadingRow& row : part.rows ? *part.rows : std::vector<recorder::ReadingRow>{}) {
        if (row.missing) continue;
        written.push_back(row.channel);
        json.BeginObject().Key("channel").Integer(row.channel);
        json.Key("name").String(name(row.channel));
        json.Key("value_mm").Number(Mm(row.value));
        json.Key("displacement_mm").Number(Mm(row.displacement));
        limits(row.channel);
        Judgement(json, row.judgement);
        json.Key("missing").Bool(false);
        json.EndObject();
    }
    // A missing channel is there too: the part was judged without it.
    for (const int channel : part.verdict.missing) {
        json.BeginObject().Key("channel").Integer(channel);
        json.Key("name").String(name(channel));
        json.Key("value_mm").Null();
        json.Key("displacement_mm").Null();
        limits(channel);
        json.Key("judgement").Null();
        json.Key("missing").Bool(true);
        json.EndObject();
    }
    json.EndArray();
    return json.EndObject().Text();
}

Result<std::unique_ptr<PlantPublisher>> PlantPublisher::Start(PublishSettings settings, Publisher who,
                                                              std::unique_ptr<TcpLink> link) {
    const std::string station = TopicLevel(settings.station.empty() ? ComputerName() : settings.station);
    if (settings.queueFile.empty()) settings.queueFile = QueueFolder() + "/" + who.program + "-" + station + ".queue";
    std::error_code ignored;
    const std::filesystem::path folder = quality::Utf8Path(settings.queueFile).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    Result<std::unique_ptr<PartQueue>> queue = PartQueue::Open(settings.queueFile, settings.queueBound);
    if (!queue)
        return Error{"the queue of unsent parts " + settings.queueFile, queue.Failure().reason, queue.Failure().code};

    const std::string prefix = settings.root + "/" + station + "/";
    ClientOptions options;
    options.host = settings.host;
    options.port = settings.port;
    // One session per program and station: the recorder and the station
    // on one PC do not push each other off the broker.
    options.clientId = who.program + "-" + station;
    options.cleanSession = settings.cleanSession;
    options.userName = settings.userName;
    options.password = settings.password;
    options.will = mqtt::Will{prefix + "status", "{\"online\":false}", 1, true};
    auto client = std::make_unique<MqttClient>(std::move(options), std::move(link));
    return std::unique_ptr<PlantPublisher>(
        new PlantPublisher(std::move(settings), std::move(who), std::move(*queue), std::move(client), station));
}

PlantPublisher::PlantPublisher(PublishSettings settings, Publisher who, std::unique_ptr<PartQueue> queue,
                               std::unique_ptr<MqttClient> client, std::string station)
    : settings_(std::move(settings)),
      who_(std::move(who)),
      queue_(std::move(queue)),
      client_(std::move(client)),
      station_(std::move(station)),
      prefix_(settings_.root + "/" + station_ + "/") {}

PlantPublisher::~PlantPublisher() {
    Stop();
}

void PlantPublisher::Gauge(int channel, const GaugeReading& gauge) {
    Channel& c = channels_[static_cast<size_t>(channel - 1)];
    // A change is a new value, a new judgement or the gauge falling silent
    // or coming back; the time and the rate alone are not.
    std::string key = std::to_string(gauge.reading.value) + ' ' + std::to_string(gauge.reading.displacement) + ' ' +
                      (gauge.judgement ? quality::JudgementText(*gauge.judgement) : "-") +
                      (gauge.rate == 0 ? " 0" : "");
    if (key == (c.pending.empty() ? c.key : c.pendingKey)) return;
    c.pending = GaugePayload(channel, gauge);
    c.pendingKey = std::move(key);
}

Status PlantPublisher::Part(std::string payload) {
    const bool wasFull = queue_->Full();
    Status added = queue_->Add(std::move(payload));
    if (added && wasFull) sent_ = sent_ > 0 ? sent_ - 1 : 0;  // the oldest went, sent or not
    if (added && wasFull && !ids_.empty()) ids_.pop_front();
    SendParts();
    return added;
}

void PlantPublisher::Poll(int64_t now) {
    lastPoll_ = now;
    client_->Poll(now);
    if (client_->Connected() && !wasConnected_) {
        // The client resends what it has in flight; the status first, and
        // every gauge's latest again for a broker that lost its retained
        // messages in a restart.
        client_->PublishNow(Topic("status"), StatusPayload(who_, station_, true, recorder::LocalNow()), true);
        for (Channel& c : channels_) {
            if (!c.pending.empty() || c.published.empty()) continue;
            c.pending = c.published;
            c.pendingKey = c.key;
        }
    }
    wasConnected_ = client_->Connected();
    for (const uint16_t id : client_->TakeAcknowledged()) {
        // The broker acknowledges in the order it was sent.
        if (ids_.empty() || ids_.front() != id) continue;
        ids_.pop_front();
        --sent_;
        (void)queue_->PopDelivered();  // a failed mark only sends the part again later
    }
    SendGauges(now);
    SendParts();
}

void PlantPublisher::SendGauges(int64_t now) {
    if (!client_->Connected()) return;
    const int64_t interval = settings_.gaugeRate > 0 ? static_cast<int64_t>(1000 / settings_.gaugeRate) : 0;
    for (size_t i = 0; i < channels_.size(); ++i) {
        Channel& c = channels_[i];
        if (c.pending.empty() || now - c.sentAt < interval) continue;
        if (!client_->PublishNow(Topic(GaugeLeaf(static_cast<int>(i) + 1)), c.pending, true)) return;
        c.key = std::move(c.pendingKey);
        c.published = std::move(c.pending);
        c.pending.clear();
        c.sentAt = now;
    }
}

void PlantPublisher::SendParts() {
    // The client keeps what is in flight across reconnects; only parts not
    // yet handed to it are sent here, in the queue's order.
    while (sent_ < queue_->Size() && client_->Unacknowledged() < kPartsInFlight) {
        ids_.push_back(client_->PublishAtLeastOnce(Topic("part"), queue_->Parts()[sent_].payload, false));
        ++sent_;
    }
}

void PlantPublisher::Stop() {
    // The parts in flight get a moment for their acknowledgements, so that
    // the next start does not send them again.
    const auto start = std::chrono::steady_clock::now();
    const int64_t base = lastPoll_;
    const auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    while (client_->Connected() && client_->Unacknowledged() > 0 && elapsed() < 2000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Poll(base + elapsed());
    }
    if (client_->Connected()) {
        client_->PublishNow(Topic("status"), StatusPayload(who_, station_, false, recorder::LocalNow()), true);
    }
    client_->Disconnect();
    stopped_ = true;
}

std::string PlantPublisher::StatusText() const {
    std::string text = client_->Connected()         ? "broker up"
                       : stopped_                   ? "broker left"
                       : client_->Problem().empty() ? "broker: connecting"
                                                    : "broker: " + client_->Problem();
    text += ", " + std::to_string(queue_->Size()) + (queue_->Size() == 1 ? " part" : " parts") + " queued";
    if (queue_->Dropped() > 0)
        text += "; QUEUE FULL (" + std::to_string(queue_->Bound()) + "): " + std::to_string(queue_->Dropped()) +
                " oldest dropped, the newest kept";
    return text;
}

void GaugeTracker::Take(const VexlaDataBlock32& block, const int32_t (&rates)[32], uint32_t chosen,
                        const std::array<monitor::HardwareType, quality::kChannels>& kinds,
                        const quality::LimitsTable& limits, const recorder::LocalTime& now) {
    for (int c = 0; c < quality::kChannels; ++c) {
        const auto i = static_cast<size_t>(c);
        if (((chosen >> c) & 1u) == 0) continue;
        if (block.updated[i] != 0) {
            GaugeReading g;
            g.time = now;
            g.reading = recorder::ReadingOf(block.value[i], block.displacement[i], kinds[i]);
            if (const auto& l = limits.For(c + 1)) g.judgement = l->Judge(g.reading.displacement);
            latest_[i] = g;
        }
        if (latest_[i] && rates[i] >= 0) latest_[i]->rate = rates[i];
    }
}

void GaugeTracker::PublishTo(PlantPublisher& publisher, const std::function<std::string(int)>& name) const {
    for (int c = 1; c <= quality::kChannels; ++c) {
        const auto& latest = latest_[static_cast<size_t>(c - 1)];
        if (!latest) continue;
        GaugeReading g = *latest;
        g.name = name ? name(c) : std::string();
        publisher.Gauge(c, g);
    }
}

}  // namespace vexla::publish
