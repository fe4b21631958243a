// The driver with its real configuration file: what a connect reads and
// writes, how the file's values drive the link and the controls, and what
// the user is told when the folder or the file cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "channels/tests/config_test_support.h"
#include "channels/tests/gbk_convert.h"
#include "disk_config_fs.h"
#include "engine/tests/live_driver.h"
#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"

namespace vexla {
namespace {

using testing::Gbk;
using testing::ReadBytes;
using testing::WriteBytes;

class SettingsFile : public testing::LiveDriver {
  protected:
    SettingsFile() : LiveDriver(&config), config(disk, testing::Utf8(folder.path() / "cfg")) {}

    std::filesystem::path File() const { return testing::FromUtf8(config.FilePath()); }
    void WriteFile(const std::string& utf8) {
        std::filesystem::create_directories(File().parent_path());
        WriteBytes(File(), Gbk(utf8));
    }
    bool FileHas(const std::string& utf8Line) const {
        return ReadBytes(File()).find(Gbk(utf8Line + "\r\n")) != std::string::npos;
    }
    // One general frame of `channel` at position field `p`, then a tick.
    void FrameAndTick(uint8_t channel, uint32_t p) {
        const auto f = EncodeGeneralFrame({channel, p, 100, false, false});
        d.SPComReceiveData(std::vector<uint8_t>(f.begin(), f.end()));
        d.SPComReceiveData(std::vector<uint8_t>{0});
        Tick();
    }

    testing::TempFolder folder;
    DiskConfigFileSystem disk;
    ConfigFile config;
};

TEST_F(SettingsFile, FirstConnectWritesTheDefaultsAndUsesThem) {
    EXPECT_EQ(d.ConnectComm(9600, 3), -1);
    ASSERT_TRUE(std::filesystem::exists(File()));
    EXPECT_TRUE(FileHas("数据格式=2"));
    EXPECT_TRUE(FileHas("显示DLL小窗口=0"));
    EXPECT_EQ(port.last.PortNumber, 1) << "the file's port wins over the argument";
    EXPECT_EQ(port.last.BaudRate, 19200);
    EXPECT_EQ(panel.Model().CBoxDataFormatIndex, 2);
    EXPECT_EQ(panel.Model().CBoxLinkSpeedIndex, 1);
    EXPECT_EQ(panel.Model().CBoxCommIndex, 0);
    EXPECT_EQ(panel.Model().SpinEditFillter, 10);
    EXPECT_TRUE(notices.messages.empty());
    Tick();
    EXPECT_TRUE(panel.Model().Visible) << "the in-memory default shows the window on a segment's first run";
}

TEST_F(SettingsFile, TheFilesValuesDriveTheLinkAndTheControls) {
    WriteFile(
        "[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=0\r\n波特率=0\r\n[用户参数]\r\n"
        "显示DLL小窗口=1\r\n数据过滤深度=0\r\n数值×10=133\r\n位移计算取反=$3\r\n");
    EXPECT_EQ(d.ConnectComm(9600, 3), -1);
    EXPECT_EQ(d.Settings().DataFormat, kFormatPushedGeneral);
    EXPECT_EQ(port.last.PortNumber, 3);
    EXPECT_EQ(port.last.BaudRate, 9600);
    EXPECT_EQ(d.Settings().BaudRate, 9600);
    EXPECT_EQ(d.Settings().FilterDepth, 10) << "a depth of 0 is replaced at connect";
    EXPECT_TRUE(panel.Model().TimesTen.Checked);
    EXPECT_EQ(panel.Model().TimesTen.Channel, 5);
    EXPECT_FALSE(panel.Model().TimesTen.Before) << "133 = channel 5 and after";
    EXPECT_TRUE(panel.Model().Invert.Checked);
    EXPECT_EQ(panel.Model().Invert.Channel, 3);
    EXPECT_TRUE(panel.Model().Invert.Before);
    Tick();
    EXPECT_TRUE(panel.Model().Visible);

    d.CBoxFloat3Click(true);
    EXPECT_TRUE(FileHas("三位小数=1"));
    EXPECT_TRUE(FileHas("显示DLL小窗口=0")) << "the window switch is always written as 0";
    EXPECT_TRUE(FileHas("波特率=9600"));
}

TEST_F(SettingsFile, APerChannelZeroWritesTheCapturedReferenceAtOnce) {
    WriteFile("[硬件类型]\r\n数据格式=3\r\n; kept by hand\r\n[参考零点]\r\n通道03=77\r\n");
    ASSERT_EQ(d.ConnectComm(19200, 1), -1);
    EXPECT_EQ(d.Channels().Table().References.ReferencePoint[3], 77);
    Tick();
    d.SetDataZeroCh(3);
    FrameAndTick(3, 5000);
    EXPECT_TRUE(FileHas("通道03=10000"));
    EXPECT_TRUE(FileHas("; kept by hand"));
    EXPECT_TRUE(FileHas("通道04=0"));
    EXPECT_EQ(d.Settings().DataFormat, kFormatPushedGeneral);
}

TEST_F(SettingsFile, AFileDeletedWhileConnectedComesBackInFormat3) {
    ASSERT_EQ(d.ConnectComm(19200, 1), -1);  // format 2 from the defaults
    Tick();
    std::filesystem::remove(File());
    d.SetDataZeroCh(6);
    FrameAndTick(6, 1234);
    ASSERT_TRUE(std::filesystem::exists(File()));
    EXPECT_TRUE(FileHas("数据格式=3"));
    EXPECT_TRUE(FileHas("通道06=2468"));
    EXPECT_EQ(d.Settings().DataFormat, kFormatPushedGeneral) << "the running driver switches too";
}

TEST_F(SettingsFile, AFolderThatCannotBeCreatedIsReportedAndTheDriverStillRuns) {
    WriteBytes(folder.path() / "cfg", "a file where the folder belongs");
    EXPECT_EQ(d.ConnectComm(19200, 2), -1);
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0], "没能成功创建目录：\r\n" + config.Folder());
    EXPECT_EQ(d.Settings().DataFormat, kFormatPolledGeneral) << "the defaults, in memory";
    EXPECT_EQ(port.last.PortNumber, 1);
}

TEST_F(SettingsFile, AFileThatCannotBeWrittenIsReportedWithItsPath) {
    ASSERT_EQ(d.ConnectComm(19200, 1), -1);
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read,
                                 std::filesystem::perm_options::replace);
    const std::string before = ReadBytes(File());
    d.SpinEditFillterChange(7);
    ASSERT_FALSE(notices.messages.empty());
    EXPECT_EQ(notices.messages.back(), "Unable to write to " + config.FilePath());
    EXPECT_EQ(ReadBytes(File()), before) << "the previous file stays whole";
    EXPECT_EQ(d.Settings().FilterDepth, 7) << "the running driver keeps the new value";
}

TEST_F(SettingsFile, SegmentPicksTheFile) {
    EXPECT_EQ(d.SetNetSegment(7), -1);
    ASSERT_EQ(d.ConnectComm(19200, 1), -1);
    EXPECT_EQ(File().filename(), testing::FromUtf8("Vexla配置007.txt"));
    EXPECT_TRUE(std::filesystem::exists(File()));
    EXPECT_EQ(d.SetNetSegment(9), 0);
    EXPECT_EQ(File().filename(), testing::FromUtf8("Vexla配置007.txt"));
}

}  // namespace
}  // namespace vexla
