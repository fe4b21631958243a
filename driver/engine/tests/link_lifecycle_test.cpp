// Connecting and disconnecting: port and speed choice, the control window's
// headings and labels, failure texts, and the data calls that connect alone.

#include <gtest/gtest.h>

#include "engine/tests/live_driver.h"
#include "panel/driver_texts.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

class LinkLifecycle : public testing::LiveDriver {};

TEST_F(LinkLifecycle, PortAndSpeedComeFromTheSettingsUnlessTheyAreZero) {
    struct Case {
        int32_t settingPort, settingSpeed, argSpeed;
        int16_t argPort;
        int32_t port, lineSpeed, storedSpeed;
        const char* label;
    };
    const Case cases[] = {
        {0, 0, 9600, 3, 3, 9600, 9600, "串口：3  ，速度：9600 波特率"},
        {0, 0, 300, 1, 1, 1200, 300, "串口：1  ，速度：1200 波特率"},
        {7, 57600, 9600, 3, 7, 57600, 57600, "串口：7  ，速度：57600 波特率"},
        {12, 0, 115200, 1, 12, 115200, 115200, "串口：12  ，速度：115200 波特率"},
    };
    testing::MemoryFiles files;
    ConfigFile config(files, "cfg");
    Driver driver({&port, &notices, &window, &config, &panel});
    for (const Case& c : cases) {
        DriverSettings settings = DefaultSettings();
        settings.PortNumber = c.settingPort;
        settings.BaudRate = c.settingSpeed;
        files.folders.insert(config.Folder());
        files.files[config.FilePath()] = WriteConfigText("", settings, ReferencePoints{});
        EXPECT_EQ(driver.ConnectComm(c.argSpeed, c.argPort), -1);
        EXPECT_EQ(port.last.PortNumber, c.port);
        EXPECT_EQ(port.last.BaudRate, c.lineSpeed);
        EXPECT_EQ(driver.Settings().BaudRate, c.storedSpeed);
        EXPECT_EQ(panel.Model().LabelSpeed, c.label);
        EXPECT_EQ(driver.Link().Watchdog(), 22);
        EXPECT_TRUE(driver.Link().IsOpen());
    }
    EXPECT_EQ(window.created, 1) << "one window for every connect";
}

TEST_F(LinkLifecycle, ChannelGridIsNamedBySegment) {
    struct Case {
        uint8_t segment;
        const char* heading;
        int row;
        const char* name;
    };
    const Case cases[] = {
        {0, "001段[总通道]", 1, "  1   [   1]"},
        {0, "001段[总通道]", 10, " 10   [  10]"},
        {2, "003段[总通道]", 32, " 32   [  96]"},
        {99, "100段[总通道]", 9, "  9   [3177]"},
    };
    for (const Case& c : cases) {
        PanelPresenter freshPanel;
        Driver fresh({&port, nullptr, nullptr, nullptr, &freshPanel});
        EXPECT_EQ(fresh.SetNetSegment(c.segment), -1);
        fresh.ConnectComm(19200, 1);
        EXPECT_EQ(fresh.SetNetSegment(5), 0) << "the window exists: no change";
        EXPECT_EQ(fresh.Settings().SegmentNumber, c.segment);
        EXPECT_EQ(freshPanel.Model().ChannelGrid[0][0], c.heading);
        EXPECT_EQ(freshPanel.Model().ChannelGrid[0][1], "  液晶显示值");
        EXPECT_EQ(freshPanel.Model().ChannelGrid[0][2], "数据刷新率");
        EXPECT_EQ(freshPanel.Model().ChannelGrid[c.row][0], c.name);
        EXPECT_EQ(freshPanel.Model().ChannelGrid[c.row][1], " ------- ");
        EXPECT_EQ(freshPanel.Model().ChannelGrid[c.row][2], " 0.0次/秒");
        EXPECT_EQ(freshPanel.Model().TrayHint, "数显表段(组)" + std::to_string(c.segment + 1));
    }
}

TEST_F(LinkLifecycle, WindowIsLaidOutAtCreation) {
    Connect(kFormatBlock);
    EXPECT_TRUE(panel.Model().Exists);
    EXPECT_TRUE(panel.Model().Visible);
    EXPECT_TRUE(panel.Model().TrayVisible);
    EXPECT_EQ(panel.Model().ComboBoxCmdIndex, 2);
    // The grids filled edge to edge: 233 x 92 and 246 x 46 client pixels.
    EXPECT_EQ(panel.Model().ChannelColumnWidths, (std::array<int, 3>{85, 81, 67}));
    EXPECT_EQ(panel.Model().ChannelRowHeight, 20);
    EXPECT_EQ(panel.Model().StatusColumnWidths, (std::array<int, 4>{61, 61, 61, 63}));
    EXPECT_EQ(panel.Model().StatusRowHeight, 23);
    // A window that measured other grids gets sizes that fill those.
    panel.GridsMeasured({300, 80, 200, 60});
    EXPECT_EQ(panel.Model().ChannelColumnWidths, (std::array<int, 3>{108, 108, 84}));
    EXPECT_EQ(panel.Model().ChannelRowHeight, 18);
    EXPECT_EQ(panel.Model().StatusColumnWidths, (std::array<int, 4>{50, 50, 50, 50}));
    EXPECT_EQ(panel.Model().StatusGrid[0],
              (std::array<std::string, 4>{"提交次数", "串口查询", "有效数据", " 数据量 "}));
    EXPECT_TRUE(window.timer);
    EXPECT_EQ(d.Polls().Liveness(31), 3);
}

TEST_F(LinkLifecycle, APortThatCannotBeOpenedIsReportedAndLeavesTheTimerRunning) {
    port.openSucceeds = false;
    d.EnableCtrls(1, 1, 0);
    EXPECT_EQ(d.ConnectComm(19200, 5), 0);
    EXPECT_FALSE(d.Link().IsOpen());
    EXPECT_EQ(panel.Model().LabelSpeed, "串口 Com5 不能打开");
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0], "串口 Com5 已经被其它\r\n程序占用,不能打开");
    EXPECT_EQ(d.Link().Watchdog(), 1);
    EXPECT_TRUE(window.timer);
    for (int t = 0; t < 30; ++t) d.PopUpFormTimerTimer();
    EXPECT_TRUE(panel.Model().TabSheetSetupEnabled) << "the settings pages stay usable";
    EXPECT_TRUE(port.writes.empty()) << "no polls reach the line";
    EXPECT_FALSE(d.StartupPhase());
}

TEST_F(LinkLifecycle, DisconnectOnlyActsOnAnOpenLink) {
    Connect(kFormatPolledGeneral);
    d.DisConnectComm();
    EXPECT_FALSE(d.Link().IsOpen());
    EXPECT_FALSE(window.timer);
    EXPECT_FALSE(panel.Model().Visible);
    EXPECT_EQ(d.Link().Watchdog(), 1);
    const int closes = port.closes;
    d.DisConnectComm();
    EXPECT_EQ(port.closes, closes);
}

TEST_F(LinkLifecycle, ConnectWhileOpenDisconnectsFirstAndResetsTheChannelState) {
    Connect(kFormatPolledGeneral);
    for (int t = 0; t < 3 * 33; ++t) TickOnBusyLine();  // nobody answers
    Answer(3);
    TickOnBusyLine();
    d.SetHardWareZeroCh(3);
    d.SetDataZero();
    EXPECT_EQ(d.Polls().Pending(3), 10);
    const int closes = port.closes;
    Connect(kFormatPolledGeneral);
    EXPECT_GT(port.closes, closes);
    EXPECT_EQ(d.Polls().Pending(3), 0);
    EXPECT_EQ(d.Channels().Table().References.ReferenceCaptured[3], 1);
    EXPECT_FALSE(d.Channels().Table().Boxes.ResultBox1.Full);
    EXPECT_EQ(d.Polls().Liveness(0), 3);
}

TEST_F(LinkLifecycle, FirstDataCallConnectsByItself) {
    TDataBlock32 block;
    std::fill_n(block.updated, 32, int16_t{-1});
    block.value[0] = 1234;
    d.GetNewData32Ch(block);
    EXPECT_TRUE(d.Link().IsOpen());
    EXPECT_EQ(port.last.PortNumber, 1);
    EXPECT_EQ(port.last.BaudRate, 19200);
    for (int16_t u : block.updated) EXPECT_EQ(u, 0);
    EXPECT_EQ(block.value[0], 1234) << "numbers stay as they were";

    d.PopUpFormTimerTimer();
    TDataBlock16 small{};
    d.GetNewData16Ch(small);
    EXPECT_EQ(small.updated[0], 0) << "no data yet, but the result was taken";
    EXPECT_EQ(d.Channels().Table().Boxes.SubmitCount, 2) << "both data calls took a result";

    d.DisConnectComm();
    d.PopUpFormTimerTimer();
    d.GetNewData32Ch(block);
    EXPECT_FALSE(d.Link().IsOpen()) << "an existing window means no automatic connect";
}

TEST_F(LinkLifecycle, EndOfApplicationTakesEverythingDown) {
    Connect(kFormatPolledGeneral);
    d.DLL_End_Application();
    EXPECT_FALSE(d.Link().IsOpen());
    EXPECT_FALSE(port.isOpen);
    EXPECT_EQ(window.destroyed, 1);
    EXPECT_FALSE(window.timer);
    EXPECT_FALSE(panel.Model().Exists);
    EXPECT_FALSE(panel.Model().TrayVisible);
    d.DLL_End_Application();
    EXPECT_EQ(window.destroyed, 1);
}

TEST_F(LinkLifecycle, ShowAndHideFollowTheStartupPhaseAndCascadeBySegment) {
    d.HideCtrlForm();  // before any window: only the switch
    EXPECT_EQ(d.Settings().ShowCtrlWindow, 0);
    d.ShowCtrlForm();
    EXPECT_EQ(d.Settings().ShowCtrlWindow, 0) << "no window yet";
    d.SetNetSegment(2);
    Connect(kFormatBlock);
    d.HideCtrlForm();
    EXPECT_TRUE(panel.Model().Visible) << "the start-up phase keeps the window";
    d.PopUpFormTimerTimer();
    EXPECT_FALSE(panel.Model().Visible) << "hidden once the start-up phase ends";
    d.ShowCtrlForm();
    EXPECT_TRUE(panel.Model().Visible);
    EXPECT_EQ(panel.Model().Left, 61);
    EXPECT_EQ(panel.Model().Top, 61);
    EXPECT_EQ(panel.Model().FrontRequests, 1) << "the host's call brings it to the front";
    // The next start-up phase ends with the window shown, where the user left it in the stack.
    ASSERT_EQ(d.ConnectComm(19200, 1), -1);
    d.PopUpFormTimerTimer();
    EXPECT_TRUE(panel.Model().Visible);
    EXPECT_EQ(panel.Model().FrontRequests, 1) << "the start-up phase took the focus";
    d.CtrlFirmWare(0);
    d.HideCtrlForm();
    EXPECT_TRUE(panel.Model().Visible) << "the quiet period after a command keeps it too";
    EXPECT_EQ(d.Settings().ShowCtrlWindow, 0);
}

}  // namespace
}  // namespace vexla
