// The zero-reference rule of each data format and the channel ranges.

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "channels/channel_range.h"
#include "channels/zero_reference.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

TEST(Folds, KeepDisplacementsWithinOnePeriodOfEachCounter) {
    struct Case {
        const char* name;
        int32_t (*fold)(int64_t);
        int64_t d;
        int32_t expected;
    };
    const Case cases[] = {
        {"per-channel, far above", FoldPerChannel, 20000000, -807680},
        {"per-channel, at the half range", FoldPerChannel, 10403840, 10403840},
        {"per-channel, just above", FoldPerChannel, 10403841, -10403839},
        {"per-channel, just below", FoldPerChannel, -10403841, 10403839},
        {"wireless, across the field's wrap", FoldWireless, 2621440 - 5, -5},
        {"wireless, at the half range", FoldWireless, 1310720, 1310720},
        {"wireless, just below", FoldWireless, -1310721, 1310719},
        {"text, 400000 above", FoldText, 400000, -250240},
        {"text, at the half range", FoldText, -325120, -325120},
        {"text, just below", FoldText, -325121, 325119},
        {"block, small", FoldAndScaleBlock, 1024, 1270},
        {"block, negative truncates the magnitude", FoldAndScaleBlock, -1, -1},
        {"block, past 32-bit product", FoldAndScaleBlock, 1690933, 2097153},
        {"block, at the half range", FoldAndScaleBlock, 8388608, 10403840},
        {"block, just above folds negative", FoldAndScaleBlock, 8388609, -10403838},
    };
    for (const Case& c : cases) EXPECT_EQ(c.fold(c.d), c.expected) << c.name;
}

TEST(EnterReading, PerChannelFormatsCaptureTheFirstReadingAndAskForASave) {
    // A position past half the format's counter period is a move backwards
    // through the counter's zero.
    const std::array<std::pair<uint8_t, int32_t>, 3> farPositions = {
        {{kFormatPolledGeneral, 20000000}, {kFormatPushedGeneral, 20000000}, {kFormatWireless, 2000000}}};
    const std::array<int32_t, 3> folded = {-807680, -807680, -621440};
    for (std::size_t k = 0; k < farPositions.size(); ++k) {
        const auto [format, far] = farPositions[k];
        ZeroReferences refs;
        refs.MarkAllCaptured();  // references from the file count as captured
        TChannelRecord r;
        refs.EnterReading(r, 3, far, 77, format);
        EXPECT_EQ(r.Displacement[3], folded[k]) << int(format);
        EXPECT_EQ(r.Value[3], 77);
        EXPECT_EQ(r.Updated[3], -1);
        EXPECT_EQ(refs.RelativeMode, 1);
        EXPECT_FALSE(refs.SavePending);

        refs.ClearReference(3);
        refs.EnterReading(r, 3, 5000, 1, format);
        EXPECT_EQ(r.Displacement[3], 0);
        EXPECT_EQ(refs.ReferencePoint[3], 5000);
        EXPECT_TRUE(refs.SavePending);
        refs.EnterReading(r, 3, 5120, 1, format);
        EXPECT_EQ(r.Displacement[3], 120);
        EXPECT_EQ(refs.ReferencePoint[3], 5000);

        refs.ClearReference(32);  // out of range: nothing happens
        EXPECT_EQ(refs.ReferenceCaptured[3], 1);
    }
}

TEST(EnterReading, PushFormatsFollowTheGaugeUntilRelativeModeIsOn) {
    for (uint8_t format : {kFormatBlock, kFormatText}) {
        ZeroReferences refs;
        TChannelRecord r;
        refs.EnterReading(r, 0, 1000, 5, format);
        refs.EnterReading(r, 0, 400000 + 1000, 5, format);
        EXPECT_EQ(r.Displacement[0], 0);
        EXPECT_EQ(refs.ReferencePoint[0], 401000) << "the reference follows each reading";
        EXPECT_EQ(refs.RelativeMode, 0);
        EXPECT_FALSE(refs.SavePending);

        refs.RelativeMode = 1;
        refs.EnterReading(r, 0, 401000 + 400000, 5, format);
        EXPECT_EQ(r.Displacement[0], format == kFormatText ? -250240 : 496093);
        EXPECT_EQ(refs.ReferencePoint[0], 401000);
    }
}

TEST(EnterReading, HostileReferencePointsDoNotOverflow) {
    ZeroReferences refs;
    refs.MarkAllCaptured();
    refs.ReferencePoint[0] = INT32_MIN;
    refs.ReferencePoint[1] = INT32_MAX;
    TChannelRecord r;
    refs.EnterReading(r, 0, INT32_MAX, 0, kFormatPolledGeneral);
    refs.EnterReading(r, 1, INT32_MIN, 0, kFormatPolledGeneral);
    refs.RelativeMode = 1;
    refs.EnterReading(r, 0, INT32_MAX, 0, kFormatBlock);  // UBSan checks these
    SUCCEED();
}

TEST(RangeFactor, SelectsChannelRunsByNumberAndDirection) {
    struct Case {
        uint8_t range;
        unsigned first, last;  // selected indices, inclusive; first > last = none
    };
    const Case cases[] = {
        {0, 1, 0}, {5, 0, 4},      {0x85, 4, 31}, {128, 0, 31},  {32, 0, 31},
        {1, 0, 0}, {0xA0, 31, 31}, {0x81, 0, 31}, {0x7F, 0, 31},  // channel 127 "before": every channel
    };
    for (const Case& c : cases)
        for (unsigned i = 0; i < 32; ++i)
            EXPECT_EQ(RangeFactor(c.range, i), i >= c.first && i <= c.last)
                << "range " << int(c.range) << " index " << i;
}

}  // namespace
}  // namespace vexla
