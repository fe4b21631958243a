// The data functions through the driver object: decoded frames flow through
// the processing step into the boxes and out in the host layouts.

#include <gtest/gtest.h>

#include <vector>

#include "engine/tests/live_driver.h"
#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"

namespace vexla {
namespace {

class DataInterface : public testing::LiveDriver {
  protected:
    void SetUp() override { Connect(kFormatPushedGeneral); }
    // One tick on which gauge `ch` sent position field p and display field v.
    void TickWith(uint8_t ch, uint32_t p, uint32_t v, bool negative = false) {
        const auto f = EncodeGeneralFrame({ch, p, v, negative, false});
        std::vector<uint8_t> bytes(f.begin(), f.end());
        bytes.push_back(0x00);  // lets the window be examined at once
        d.SPComReceiveData(bytes);
        d.ProcessTick();
    }
};

TEST_F(DataInterface, ResultsReachTheHostLayouts) {
    TickWith(2, 500, 6000);
    TickWith(9, 100, 3000, true);
    EXPECT_EQ(d.GetReFlashRate32()[2], 200) << "rates of the waiting box, without taking it";
    EXPECT_EQ(d.GetReFlashRate()[2], 200);

    const TSerialRecord8 r8 = d.GotSerialData();
    EXPECT_EQ(r8.header, -1);
    EXPECT_EQ(r8.relative_flag, -1);
    EXPECT_EQ(r8.value[2], 12000);
    EXPECT_EQ(r8.displacement[2], 1000);
    EXPECT_EQ(r8.updated[2], -1);
    EXPECT_EQ(r8.updated[3], 0);

    const TChannelRecord r = d.GotSerialData32();
    EXPECT_EQ(r.Header, -1);
    EXPECT_EQ(r.Value[9], -6000);
    EXPECT_EQ(r.Value[2], 12000) << "depth 10 still averages the earlier tick";

    EXPECT_EQ(d.GotSerialData32().Header, 0);
    EXPECT_EQ(d.Channels().Table().Boxes.SubmitCount, 3);
    EXPECT_EQ(d.GetReFlashRate32(),
              (std::array<int32_t, 32>{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                       -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
}

TEST_F(DataInterface, RatesNeedTheLinkButTheRecordCallsDoNot) {
    TickWith(0, 1, 1);
    d.DisConnectComm();
    for (int32_t rate : d.GetReFlashRate32()) EXPECT_EQ(rate, -1);
    EXPECT_EQ(d.GotSerialData32().Header, -1) << "a waiting result is still delivered";
    d.ProcessTick();  // with the link down the decode pass is empty
    const TChannelRecord r = d.GotSerialData32();
    EXPECT_EQ(r.Header, -1);
    EXPECT_EQ(r.Updated[0], -1) << "the averaging window still holds the earlier reading";
}

TEST_F(DataInterface, RangesApplyToWhatTheHostTakes) {
    d.CheckBoxNegDispClick({true, 1, false});  // channels 1..32
    d.CheckBoxMoveNegClick({true, 1, true});   // channel 1 only
    TickWith(0, 0, 50);
    TickWith(1, 0, 50);
    d.GotSerialData32();
    const TChannelRecord r = d.GotSerialData32();
    EXPECT_EQ(r.Value[0], -1000);
    EXPECT_EQ(r.Value[1], 1000);
}

TEST_F(DataInterface, SetFilterAcceptsOneToForty) {
    EXPECT_EQ(d.SetFilter(5), 5);
    EXPECT_EQ(d.SetFilter(0), 5);
    EXPECT_EQ(d.SetFilter(41), 5);
    EXPECT_EQ(d.SetFilter(40), 40);
    EXPECT_EQ(d.SetFilter(1), 1);
    TickWith(0, 0, 100);
    TickWith(0, 0, 300);
    d.GotSerialData32();
    EXPECT_EQ(d.GotSerialData32().Value[0], 600) << "depth 1: the latest reading alone";
}

TEST_F(DataInterface, SoftwareZeroCapturesTheNextReadingOfEachChannel) {
    d.SetFilter(1);
    TickWith(3, 1000, 1);
    EXPECT_EQ(d.GotSerialData32().Displacement[3], 2000);
    d.SetDataZeroCh(3);
    d.SetDataZeroCh(200);  // ignored
    TickWith(3, 1500, 1);
    EXPECT_EQ(d.GotSerialData32().Displacement[3], 0);
    EXPECT_EQ(d.Channels().Table().References.ReferencePoint[3], 3000);
    EXPECT_FALSE(d.Channels().Table().References.SavePending) << "the processing step saved the capture at once";
    TickWith(3, 1600, 1);
    EXPECT_EQ(d.GotSerialData32().Displacement[3], 200);

    d.SetDataZero();
    for (uint8_t captured : d.Channels().Table().References.ReferenceCaptured) EXPECT_EQ(captured, 0);
}

TEST_F(DataInterface, StartPointSwitchesRelativeModeOnlyWhileTheLinkIsUp) {
    const ZeroReferences& references = d.Channels().Table().References;
    d.DisConnectComm();
    EXPECT_EQ(references.ReferenceCaptured[7], 1);
    d.StartPoint(1);
    EXPECT_EQ(references.RelativeMode, 0);
    EXPECT_EQ(references.ReferenceCaptured[7], 0) << "references are cleared in every case";
    Connect(kFormatPushedGeneral);
    d.StartPoint(0x8000);
    EXPECT_EQ(references.RelativeMode, 1);
    d.StartPoint(0);
    EXPECT_EQ(references.RelativeMode, 0);
}

}  // namespace
}  // namespace vexla
