// Averaging over the ring, the rates, and the two-box hand-over.

#include <gtest/gtest.h>

#include <vector>

#include "channels/averaging.h"
#include "channels/result_boxes.h"

namespace vexla {
namespace {

// A decode result carrying `value` (and displacement value / 2) on channel 0.
TChannelRecord Reading(int32_t value, unsigned channel = 0) {
    TChannelRecord r;
    r.Header = -1;
    r.Value[channel] = value;
    r.Displacement[channel] = value / 2;
    r.Updated[channel] = -1;
    return r;
}

// Runs one processing step's ring work with `decoded` as its decode result.
void Step(AveragingRing& ring, const TChannelRecord& decoded, uint8_t depth = 10, bool relative = true) {
    const unsigned slot = ring.ReserveSlot(depth);
    ring.Ring[slot] = decoded;
    ring.Average(slot, relative);
}

TEST(Averaging, IsTheMeanRoundedToTheNearestCountHalvesAwayFromZero) {
    struct Case {
        std::vector<int32_t> readings;
        uint8_t depth;
        int32_t expected;
    };
    const Case cases[] = {
        {{12345}, 1, 12345},  // a single reading comes back as the gauge sent it
        {{-327}, 1, -327},
        {{1}, 1, 1},
        {{-1}, 1, -1},
        {{12340, 12350}, 2, 12345},
        {{-5, -6}, 2, -6},  // -5.5: the half away from zero
        {{0, -1}, 2, -1},
        {{0, 1}, 2, 1},
        {{1, 2, 3, 4}, 4, 3},  // 2.5
        {{1, 1, 2}, 3, 1},     // 1.33
        {{1, 2, 2}, 3, 2},     // 1.67
        {{1, 2, 3, 4}, 2, 4},  // only the last two count: 3.5
        {{INT32_MAX, INT32_MAX}, 2, INT32_MAX},
        {{INT32_MIN, INT32_MIN}, 2, INT32_MIN},
    };
    for (const Case& c : cases) {
        AveragingRing ring;
        for (int32_t v : c.readings) Step(ring, Reading(v), c.depth);
        EXPECT_EQ(ring.Averaged.Value[0], c.expected) << "depth " << int(c.depth) << " first " << c.readings.front();
        EXPECT_EQ(ring.Averaged.Header, -1);
        EXPECT_EQ(ring.Averaged.Updated[0], -1);
        EXPECT_EQ(ring.Averaged.Updated[1], 0);
    }
}

TEST(Averaging, DisplacementsOnlyInRelativeModeAndEmptyTicksStillGiveAResult) {
    AveragingRing ring;
    Step(ring, Reading(1000), 10, false);
    EXPECT_EQ(ring.Averaged.Displacement[0], 0);
    EXPECT_EQ(ring.Averaged.RelativeFlag, 0);
    Step(ring, Reading(1000), 10, true);
    EXPECT_EQ(ring.Averaged.Displacement[0], 500);
    EXPECT_EQ(ring.Averaged.RelativeFlag, -1);

    AveragingRing silent;
    Step(silent, TChannelRecord{});
    EXPECT_EQ(silent.Averaged.Header, -1);
    EXPECT_EQ(silent.Averaged.Updated[0], 0);
    EXPECT_FALSE(silent.DataSeen);
    Step(silent, Reading(1));
    EXPECT_TRUE(silent.DataSeen);
}

TEST(Averaging, DepthOutsideOneToFortyKeepsThePreviousDepth) {
    AveragingRing ring;
    Step(ring, Reading(100), 0);
    EXPECT_EQ(ring.EffectiveDepth, 10);
    Step(ring, Reading(100), 41);
    EXPECT_EQ(ring.EffectiveDepth, 10);
    Step(ring, Reading(100), 3);
    EXPECT_EQ(ring.EffectiveDepth, 3);
    Step(ring, Reading(100), 200);
    EXPECT_EQ(ring.EffectiveDepth, 3);
    ring.EffectiveDepth = 0;  // a corrupt value is clamped, never used as is
    Step(ring, Reading(100), 0);
    EXPECT_EQ(ring.EffectiveDepth, 1);
}

TEST(Averaging, RingHoldsFortyAndOverwritesTheOldest) {
    AveragingRing ring;
    for (int t = 0; t < 45; ++t) Step(ring, Reading(t));
    EXPECT_EQ(ring.RingCount, 40);
    EXPECT_EQ(ring.RingStart, 5);
    EXPECT_EQ(ring.Ring[4].Value[0], 44);
    EXPECT_EQ(ring.Ring[5].Value[0], 5);
}

TEST(Rates, CountUpdatesPerSecondInTenths) {
    struct Case {
        const char* name;
        int ticks;
        int every;  // channel 0 updates on every `every`-th tick (0 = never)
        int32_t expected;
    };
    const Case cases[] = {
        {"every tick, full window", 40, 1, 200},
        {"every other tick", 40, 2, 100},
        {"every tick, window still filling", 3, 1, 200},
        {"one of three ticks", 3, 3, 67},
        {"once in sixteen: 12.5 rounds to even", 16, 16, 12},
        {"once in forty", 40, 40, 5},
        {"silent", 40, 0, 0},
    };
    for (const Case& c : cases) {
        AveragingRing ring;
        for (int t = 1; t <= c.ticks; ++t)
            Step(ring, c.every != 0 && t % c.every == 0 ? Reading(10) : TChannelRecord{});
        EXPECT_EQ(ring.Rates[0], c.expected) << c.name;
        EXPECT_EQ(ring.Rates[1], 0) << c.name;
    }
}

TEST(Rates, SilentChannelKeepsItsAverageUntilItLeavesTheWindow) {
    AveragingRing ring;
    Step(ring, Reading(500), 40);
    for (int t = 0; t < 39; ++t) Step(ring, TChannelRecord{}, 40);
    EXPECT_EQ(ring.Averaged.Updated[0], -1);
    EXPECT_EQ(ring.RecentCounts[0], 1);
    Step(ring, TChannelRecord{}, 40);
    EXPECT_EQ(ring.Averaged.Updated[0], 0);
    EXPECT_EQ(ring.RecentCounts[0], 0);
    EXPECT_EQ(ring.Rates[0], 0);
}

TEST(ResultBoxes, BoxOneIsFilledFirstAndResultsAreTakenInTheOrderTheyCame) {
    ResultBoxes boxes;
    const TChannelRecord empty;
    std::array<int32_t, 32> rates{};
    for (int32_t tick = 1; tick <= 3; ++tick) {
        rates[0] = tick;
        EXPECT_EQ(boxes.Deposit(Reading(tick), rates), tick <= 2) << "tick " << tick;
    }
    EXPECT_EQ(boxes.ResultBox1.Record.Value[0], 1);
    ASSERT_NE(boxes.WaitingRates(), nullptr);
    EXPECT_EQ((*boxes.WaitingRates())[0], 1);
    EXPECT_EQ(boxes.TakeResult(empty, 0, 0).Value[0], 1);
    rates[0] = 4;
    boxes.Deposit(Reading(4), rates);  // into box 1, while tick 2 waits in box 2
    EXPECT_EQ(boxes.ResultBox1.Record.Value[0], 4);
    // A slow host gets tick 2 before tick 4: a result left in box 2 would
    // otherwise come out later still, after any number of newer ones.
    EXPECT_EQ((*boxes.WaitingRates())[0], 2);
    EXPECT_EQ(boxes.TakeResult(empty, 0, 0).Value[0], 2);
    EXPECT_EQ((*boxes.WaitingRates())[0], 4);
    EXPECT_EQ(boxes.TakeResult(empty, 0, 0).Value[0], 4);
    EXPECT_EQ(boxes.WaitingRates(), nullptr);
    const TChannelRecord none = boxes.TakeResult(empty, 0x80, 0x80);
    EXPECT_EQ(none.Header, 0);
    EXPECT_EQ(boxes.SubmitCount, 4);
}

TEST(ResultBoxes, AHostThatFallsBehindNowAndThenNeverGetsAnOldResult) {
    // The host fetches once a tick, but now and then two ticks come without
    // a fetch between them, or two fetches within one tick. Every result
    // taken must be newer than the last, and at most a tick old.
    ResultBoxes boxes;
    boxes.Deposits = 0xFFFFFFF0u;  // and the count wraps round on the way
    const TChannelRecord empty;
    int32_t tick = 0, lastTaken = 0;
    const auto take = [&](int round) {
        const TChannelRecord r = boxes.TakeResult(empty, 0, 0);
        if (r.Header == 0) return;
        EXPECT_GT(r.Value[0], lastTaken) << "round " << round;
        EXPECT_GE(r.Value[0], tick - 1) << "a result more than one tick old, round " << round;
        lastTaken = r.Value[0];
    };
    for (int round = 0; round < 200; ++round) {
        boxes.Deposit(Reading(++tick), {});
        if (round % 50 == 7) boxes.Deposit(Reading(++tick), {});  // two ticks, one fetch
        take(round);
        if (round % 50 == 30) take(round);  // two fetches in one tick
    }
}

TEST(ResultBoxes, RangesMultiplyAndInvertWhatIsTaken) {
    const TChannelRecord empty;
    TChannelRecord all;
    all.Header = -1;
    for (unsigned i = 0; i < 32; ++i) {
        all.Value[i] = 100 + static_cast<int32_t>(i);
        all.Displacement[i] = -7;
        all.Updated[i] = -1;
    }
    all.Value[31] = INT32_MAX;
    struct Case {
        uint8_t timesTen, invert;
        unsigned index;
        int32_t value, displacement;
    };
    const Case cases[] = {
        {5, 0, 4, 1040, -70},    {5, 0, 5, 105, -7},      {0x85, 0, 3, 103, -7},
        {0x85, 0, 4, 1040, -70}, {0, 5, 0, -100, 7},      {0x85, 0x85, 20, -1200, 70},
        {0, 0, 9, 109, -7},      {0x80, 0, 31, -10, -70},  // INT32_MAX x 10 wraps as 32-bit arithmetic does
    };
    for (const Case& c : cases) {
        ResultBoxes boxes;
        boxes.Deposit(all, {});
        const TChannelRecord r = boxes.TakeResult(empty, c.timesTen, c.invert);
        EXPECT_EQ(r.Value[c.index], c.value) << int(c.timesTen) << "/" << int(c.invert) << " index " << c.index;
        EXPECT_EQ(r.Displacement[c.index], c.displacement);
        EXPECT_EQ(boxes.ResultBox1.Record.Value[c.index], all.Value[c.index]) << "the box itself is unchanged";
    }
}

TEST(ResultBoxes, SubmitCountWrapsAtTenThousand) {
    ResultBoxes boxes;
    boxes.SubmitCount = 9999;
    boxes.TakeResult(TChannelRecord{}, 0, 0);
    EXPECT_EQ(boxes.SubmitCount, 0);
}

}  // namespace
}  // namespace vexla
