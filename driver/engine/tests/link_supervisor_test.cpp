// The link alone: what an open does with the line settings, the watchdog's
// counts, the reopen of a silent port and a port that does not come back.

#include <gtest/gtest.h>

#include "engine/link_supervisor.h"
#include "engine/tests/recording_seams.h"

namespace vexla {
namespace {

using Watch = LinkSupervisor::Watch;

TEST(LinkSupervisor, OpensWithTheLinesSlowestSpeedAtLeastAndClosesAFailedOpen) {
    testing::RecordingPort port;
    LinkSupervisor link(&port);
    EXPECT_TRUE(link.Open(7, 300));
    EXPECT_EQ(port.last.PortNumber, 7);
    EXPECT_EQ(port.last.BaudRate, kSlowestLineSpeed);
    EXPECT_EQ(link.PortInUse(), 7);
    EXPECT_EQ(link.Watchdog(), kWatchdogAfterOpen);

    port.openSucceeds = false;
    const int closes = port.closes;
    EXPECT_FALSE(link.Open(9, 19200));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(port.closes, closes + 2) << "the open link first, then the port that failed";
    EXPECT_EQ(link.PortInUse(), 9) << "named in the failure text";
    EXPECT_EQ(link.Watchdog(), 1);
    EXPECT_FALSE(link.Close()) << "nothing to close";

    LinkSupervisor portless(nullptr);
    EXPECT_FALSE(portless.Open(1, 19200));
}

TEST(LinkSupervisor, ASilentPortIsReopenedEveryTwentyTicksAndTrafficPutsItOff) {
    testing::RecordingPort port;
    LinkSupervisor link(&port);
    ASSERT_TRUE(link.Open(1, 19200));
    std::vector<int> reopenedAt;
    for (int t = 1; t <= 60; ++t) {
        if (t == 45) link.BytesReceived();  // 12: ten more ticks
        if (link.Tick() == Watch::Reopened) reopenedAt.push_back(t);
    }
    EXPECT_EQ(reopenedAt, (std::vector<int>{20, 40, 54})) << "the tenth silent tick after the bytes";
    EXPECT_EQ(port.opens, 4);
    EXPECT_TRUE(link.IsOpen());
}

TEST(LinkSupervisor, APortThatDoesNotComeBackIsLostAndLeftAlone) {
    testing::RecordingPort port;
    LinkSupervisor link(&port);
    ASSERT_TRUE(link.Open(1, 19200));
    port.openSucceeds = false;
    for (int t = 1; t < 20; ++t) ASSERT_EQ(link.Tick(), Watch::Quiet);
    EXPECT_EQ(link.Tick(), Watch::Lost);
    EXPECT_FALSE(link.IsOpen());
    const int opens = port.opens;
    for (int t = 0; t < 50; ++t) EXPECT_EQ(link.Tick(), Watch::Quiet);
    EXPECT_EQ(port.opens, opens);
}

}  // namespace
}  // namespace vexla
