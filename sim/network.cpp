#include "network.h"

#include <algorithm>

#include "protocol/odd_parity.h"

namespace vexla::sim {
std::string ChannelList(uint32_t mask) {
    std::string out;
    for (unsigned i = 0; i < kGauges;) {
        if (!(mask >> i & 1)) {
            ++i;
            continue;
        }
        unsigned j = i;
        while (j + 1 < kGauges && (mask >> (j + 1) & 1)) ++j;
        if (!out.empty()) out += ',';
        out += std::to_string(i + 1);
        if (j > i) out += '-' + std::to_string(j + 1);
        i = j + 1;
    }
    return out.empty() ? "none" : out;
}

uint8_t HighestChannel(uint8_t format, vexla::BlockLayout layout) {
    if (format != 0) return kGauges - 1;
    return layout == vexla::BlockLayout::Record ? 15 : 7;
}

const char* CommandName(uint8_t code) {
    switch (code) {
        case 0:
            return "fast state";
        case 1:
            return "standard state";
        case 2:
            return "fast state, zero";
        case 3:
            return "standard state, zero";
        case 4:
            return "hold state";
        case 6:
            return "hold state, zero";
        default:
            return "unknown";
    }
}

Network::Network(const NetworkConfig& config)
    : config_(config), line_(config.baud), listener_(config.format, line_.ByteTime()), rng_(config.seed) {
    // Refill the line while it still has a few milliseconds of bytes, so that
    // one wake-up of the caller never leaves it idle.
    lowWater_ = std::max<std::size_t>(1, config.baud / 10 * 4 / 1000);
    for (std::size_t i = 0; i < kGauges; ++i) {
        gauges[i].Seed(config.seed * 131 + static_cast<uint32_t>(i));
        // Spread the first readings over one period instead of a burst at 0.
        nextPush_[i] = PushPeriod(gauges[i]) * static_cast<int64_t>(i) / static_cast<int64_t>(kGauges);
    }
    if (config.faults.noisePerSecond > 0) nextNoise_ = Micros(0);
}

bool Network::Reachable(uint8_t channel) const {
    return channel < kGauges && gauges[channel].present && !gauges[channel].silent &&
           channel <= HighestChannel(config_.format, config_.layout);
}

Micros Network::PushPeriod(const Gauge& g) const {
    const double rate = g.state == GaugeState::Fast ? config_.fastRate : config_.standardRate;
    return Micros(static_cast<int64_t>(1e6 / std::max(rate, 0.01)));
}

void Network::Log(Micros now, const std::string& text) const {
    if (log) log(now, text);
}

void Network::Receive(std::span<const uint8_t> bytes, Micros now) {
    for (uint8_t b : bytes) {
        heard_.clear();
        listener_.Feed(b, now, heard_);
        for (const HeardFrame& h : heard_) Apply(h, now);
    }
}

void Network::Apply(const HeardFrame& heard, Micros now) {
    switch (heard.kind) {
        case HeardFrame::Kind::Poll:
            ++stats_.polls;
            if (config_.logPolls) Log(now, "poll of channel " + std::to_string(heard.channel + 1));
            if (Reachable(heard.channel)) ScheduleAnswer(heard.channel, now + config_.turnaround);
            break;
        case HeardFrame::Kind::GroupPoll:
            ++stats_.polls;
            if (config_.logPolls) Log(now, "poll of group " + std::to_string(heard.channel));
            for (unsigned c = heard.channel * 4u; c < heard.channel * 4u + 4 && c < kGauges; ++c)
                if (Reachable(static_cast<uint8_t>(c)))
                    ScheduleAnswer(static_cast<uint8_t>(c), now + config_.turnaround);
            break;
        case HeardFrame::Kind::Command:
        case HeardFrame::Kind::ChannelZero:
            ApplyCommand(heard, now);
            break;
    }
}

void Network::ApplyCommand(const HeardFrame& heard, Micros now) {
    ++stats_.commands;
    uint32_t obeyed = 0;
    for (uint8_t c = 0; c < kGauges; ++c) {
        if (heard.channel != kAllChannels && heard.channel != c) continue;
        if (!Reachable(c)) continue;
        Gauge& g = gauges[c];
        g.Advance(now);
        const Micros before = PushPeriod(g);
        g.Obey(heard.code);
        // A gauge switched to a faster rate sends its next reading sooner.
        if (PushPeriod(g) < before) nextPush_[c] = std::min(nextPush_[c], now + PushPeriod(g));
        obeyed |= 1u << c;
    }
    std::string text = heard.kind == HeardFrame::Kind::ChannelZero ? "channel zero frame" : "command";
    text += " code " + std::to_string(heard.code) + " (" + CommandName(heard.code) + ") for ";
    text += heard.channel == kAllChannels ? std::string("all gauges") : "channel " + std::to_string(heard.channel + 1);
    text += obeyed ? ": obeyed by " + ChannelList(obeyed) : ": no gauge obeys";
    Log(now, text);
}

void Network::ScheduleAnswer(uint8_t channel, Micros due) {
    // A gauge still waiting to answer the last poll does not answer twice.
    if (!job_[channel]) job_[channel] = due;
}

void Network::UpdateSilences(Micros now) {
    for (uint8_t c = 0; c < kGauges; ++c) {
        bool silent = false;
        for (const SilenceWindow& w : config_.faults.silences)
            if ((w.channels >> c & 1) && w.when.Contains(now)) silent = true;
        if (silent == silentNow_[c]) continue;
        silentNow_[c] = silent;
        gauges[c].silent = silent;
        if (gauges[c].present) Log(now, "channel " + std::to_string(c + 1) + (silent ? " falls silent" : " is back"));
    }
}

void Network::Advance(Micros now) {
    heard_.clear();
    listener_.Expire(now, heard_);
    for (const HeardFrame& h : heard_) Apply(h, now);
    if (!config_.faults.silences.empty()) UpdateSilences(now);

    if (Pushes()) {
        for (uint8_t c = 0; c < kGauges; ++c) {
            if (now < nextPush_[c]) continue;
            const Micros period = PushPeriod(gauges[c]);
            if (Reachable(c) && !job_[c]) job_[c] = nextPush_[c];
            nextPush_[c] += period;
            // After a stall, go on from now rather than sending a burst.
            if (nextPush_[c] <= now) nextPush_[c] = now + period;
        }
    }
    while (nextNoise_ && *nextNoise_ <= now) {
        line_.QueueFront(static_cast<uint8_t>(rng_()), *nextNoise_);
        ++stats_.noiseBytes;
        std::exponential_distribution<double> gap(config_.faults.noisePerSecond);
        *nextNoise_ += Micros(static_cast<int64_t>(gap(rng_) * 1e6) + 1);
    }
    FeedLine(now);
}

std::optional<uint8_t> Network::EarliestJob(Micros now) const {
    std::optional<uint8_t> best;
    for (uint8_t c = 0; c < kGauges; ++c)
        if (job_[c] && *job_[c] <= now && (!best || *job_[c] < *job_[*best])) best = c;
    return best;
}

void Network::FeedLine(Micros now) {
    while (line_.Waiting() < lowWater_) {
        const auto c = EarliestJob(now);
        if (!c) return;
        const Micros at = *job_[*c];
        if (config_.format == 0) {
            SendBlockFrame(now, at);
        } else {
            job_[*c].reset();
            if (Reachable(*c)) SendFrameOf(*c, at);
        }
    }
}

void Network::SendFrameOf(uint8_t channel, Micros at) {
    Gauge& g = gauges[channel];
    g.Advance(at);
    const int64_t travel = g.Travel(), display = g.DisplayTravel();
    std::vector<uint8_t> frame;
    switch (config_.format) {
        case 1: {
            const auto f = vexla::EncodeTextFrame(TextFieldsOf(channel, travel, display));
            // Consecutive readings share the carriage return between them.
            const bool share = line_.LastByte() == uint8_t{0x0D};
            frame.assign(f.begin() + (share ? 1 : 0), f.end());
            break;
        }
        case 4: {
            const auto f = vexla::EncodeWirelessFrame(WirelessFieldsOf(channel, travel, display));
            frame.assign(f.begin(), f.end());
            break;
        }
        default: {
            const auto f = vexla::EncodeGeneralFrame(GeneralFieldsOf(channel, travel, display));
            frame.assign(f.begin(), f.end());
            break;
        }
    }
    Corrupt(frame);
    line_.Queue(frame, at);
    ++stats_.frames;
    ++stats_.readings;
}

// Format 0: the network collects the fresh readings into block frames, up to
// seven per frame in the record layout, channels 0..7 in the fixed one.
void Network::SendBlockFrame(Micros now, Micros at) {
    vexla::BlockFields fields;
    fields.layout = config_.layout;
    std::size_t used = 0;
    uint64_t readings = 0;
    const bool record = config_.layout == vexla::BlockLayout::Record;
    for (uint8_t c = 0; c < kGauges; ++c) {
        if (record && used == 7) break;
        const bool fresh = job_[c] && *job_[c] <= now;
        if (record && !fresh) continue;
        if (fresh) job_[c].reset();
        if (!Reachable(c)) continue;
        gauges[c].Advance(at);
        const vexla::BlockEntry e = BlockEntryOf(c, gauges[c].Travel(), gauges[c].DisplayTravel());
        if (fresh) ++readings;
        if (record) {
            fields.entries[used++] = e;
        } else {
            fields.entries[c] = e;
            if (fresh) fields.status |= static_cast<uint8_t>(1u << c);
        }
    }
    if (record) {
        if (used == 0) return;
        // Unused records name no channel the driver takes.
        for (std::size_t r = used; r < 7; ++r) fields.entries[r] = {0xFF, 0, 0};
    } else if (fields.status == 0) {
        return;
    }
    auto f = vexla::EncodeBlockFrame(fields);
    Corrupt(f);
    line_.Queue(f, at);
    ++stats_.frames;
    stats_.readings += readings;
}

// A wrong check that keeps every other rule of the frame, so only the check
// itself can reject it.
void Network::Corrupt(std::span<uint8_t> frame) {
    if (config_.faults.corruptFraction <= 0) return;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (chance(rng_) >= config_.faults.corruptFraction) return;
    ++stats_.corruptFrames;
    switch (config_.format) {
        case 0:
            frame[57] ^= 0x01;
            break;
        case 1: {
            uint8_t& letter = frame[frame.size() - 2];
            const auto next = static_cast<uint8_t>('A' + (((letter & 0x7F) - 'A' + 1) & 0x0F));
            letter = vexla::WithOddParity(next);
            break;
        }
        case 4:
            frame[7] ^= 0x01;
            break;
        default:
            frame[10] ^= 0x01;
            break;
    }
}

void Network::TakeOutput(Micros now, std::vector<uint8_t>& out) {
    const std::size_t from = out.size();
    line_.TakeDue(now, out);
    if (config_.faults.dropFraction > 0) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        const auto kept = std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                                         [&](uint8_t) { return chance(rng_) < config_.faults.dropFraction; });
        stats_.droppedBytes += static_cast<uint64_t>(out.end() - kept);
        out.erase(kept, out.end());
    }
    stats_.bytes += out.size() - from;
}

Micros Network::NextWake(Micros now, Micros lineBatch) const {
    Micros wake = now + Micros(100000);
    auto consider = [&](Micros t) { wake = std::min(wake, std::max(t, now)); };
    // Only answers to polls have to leave on time; line bytes, pushed
    // readings and noise may wait for the batch.
    const Micros batched = now + lineBatch;
    if (auto end = line_.NextByteEnd()) consider(std::max(*end, batched));
    for (uint8_t c = 0; c < kGauges; ++c) {
        // While the line is busy, its own wake-up refills it.
        if (job_[c] && line_.Waiting() == 0) consider(*job_[c]);
        if (Pushes() && Reachable(c)) consider(std::max(nextPush_[c], batched));
    }
    if (nextNoise_) consider(std::max(*nextNoise_, batched));
    if (auto d = listener_.Deadline()) consider(*d);
    for (const SilenceWindow& w : config_.faults.silences) {
        if (w.when.from > now) consider(w.when.from);
        if (w.when.until > now) consider(w.when.until);
    }
    return wake;
}

ShownNumbers Network::ShownBy(uint8_t channel) const {
    const Gauge& g = gauges[channel];
    return Shown(config_.format, g.Travel(), g.DisplayTravel());
}

}  // namespace vexla::sim
