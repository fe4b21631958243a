// The configuration file on real disk folders: the bytes of a full write,
// reading by the table of keys, rewriting the references in place, and
// hostile or unwritable files.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "channels/config_file.h"
#include "config_test_support.h"
#include "disk_config_fs.h"
#include "gbk_convert.h"

namespace vexla {
namespace {

namespace fs = std::filesystem;
using testing::FromUtf8;
using testing::Gbk;
using testing::ReadBytes;
using testing::TempFolder;
using testing::Utf8;
using testing::WriteBytes;

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

// The file a full write produces, written out by hand (UTF-8 here, GBK on
// disk).
std::string GoldenFile(const DriverSettings& s, const ReferencePoints& refs) {
    std::vector<std::string> lines = {
        "[硬件类型]",
        "数据格式=" + std::to_string(s.DataFormat),
        "[通讯设置]",
        "串口编号=" + std::to_string(s.PortNumber),
        "波特率=" + std::to_string(s.BaudRate),
        "[用户参数]",
        "显示DLL小窗口=0",
        "数据过滤深度=" + std::to_string(s.FilterDepth),
        "连接时重置硬件=" + std::to_string(s.ResetOnConnect),
        "数值×10=" + std::to_string(s.TimesTenRange),
        "位移计算取反=" + std::to_string(s.InvertRange),
        "三位小数=" + std::to_string(s.ThreeDecimals),
        "[参数说明]",
        "数据格式=取值范围： 0～4" + std::string(14, ' ') +
            "0：简易格式   1：保留   2：PC呼叫的通用格式 3：硬件呼叫的通用格式 4：无线格式",
        "串口编号=取值范围： 1～16" + std::string(13, ' ') + "0=接受上位程序控制 ",
        "波特率=取值范围： 按硬件说明取 9600、19200、38400、57600或11520",
        "显示DLL小窗口=0：不显示DLL小窗口  1：显示DLL小窗口",
        "数据过滤深度=取值范围： 1～40，表示取1～40个数据的平均值",
        "连接时重置硬件=取值范围： 0～1，0：不主动重置硬件   1：DLL初始化时尝试重置硬件",
        "参考零点=取值范围：每当重置位移时，自动填写",
        "[参考零点]",
    };
    for (int i = 0; i < 32; ++i)
        lines.push_back("通道" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=" + std::to_string(refs[i]));
    return Gbk(JoinLines(lines));
}

// The text without the lines that start with a reference key and "=".
std::string WithoutReferenceLines(const std::string& text) {
    const std::string prefix = Gbk("通道");
    std::string kept;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t lf = text.find('\n', at);
        const std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
        const std::string_view line(text.data() + at, next - at);
        const bool reference = line.size() > prefix.size() + 2 && line.substr(0, prefix.size()) == prefix &&
                               line[prefix.size() + 2] == '=';
        if (!reference) kept += line;
        at = next;
    }
    return kept;
}

DriverSettings OtherSettings() {
    DriverSettings s;
    s.DataFormat = 4;
    s.PortNumber = 16;
    s.BaudRate = 115200;
    s.ShowCtrlWindow = 1;  // written as 0 all the same
    s.FilterDepth = 40;
    s.ResetOnConnect = 1;
    s.TimesTenRange = 133;
    s.InvertRange = 255;
    s.ThreeDecimals = 1;
    s.SegmentNumber = 12;
    return s;
}

ReferencePoints SomeReferences() {
    ReferencePoints r{};
    for (int i = 0; i < 32; ++i) r[i] = (i - 16) * 123457;
    r[0] = -2147483647 - 1;
    r[31] = 2147483647;
    return r;
}

bool SameSettings(const DriverSettings& a, const DriverSettings& b) {
    return a.DataFormat == b.DataFormat && a.PortNumber == b.PortNumber && a.BaudRate == b.BaudRate &&
           a.ShowCtrlWindow == b.ShowCtrlWindow && a.FilterDepth == b.FilterDepth &&
           a.ResetOnConnect == b.ResetOnConnect && a.TimesTenRange == b.TimesTenRange &&
           a.InvertRange == b.InvertRange && a.ThreeDecimals == b.ThreeDecimals && a.SegmentNumber == b.SegmentNumber;
}

class ConfigFileTest : public ::testing::Test {
  protected:
    TempFolder temp;
    DiskConfigFileSystem disk;
    fs::path folder = temp.path() / FromUtf8("系统配置");
    ConfigFile config{disk, Utf8(folder)};
    fs::path file() const { return FromUtf8(config.FilePath()); }
};

TEST_F(ConfigFileTest, FullWriteMatchesTheGoldenFile) {
    DriverSettings s = OtherSettings();
    ReferencePoints refs = SomeReferences();
    ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);  // no file yet: written with the defaults
    EXPECT_EQ(ReadBytes(file()), GoldenFile(DefaultSettings(), ReferencePoints{}));

    // Over an existing file and into a new one, the same bytes.
    ASSERT_EQ(config.Save(OtherSettings(), SomeReferences()).status, ConfigResult::Ok);
    EXPECT_EQ(ReadBytes(file()), GoldenFile(OtherSettings(), SomeReferences()));
    fs::remove(file());
    ASSERT_EQ(config.Save(OtherSettings(), SomeReferences()).status, ConfigResult::Ok);
    EXPECT_EQ(ReadBytes(file()), GoldenFile(OtherSettings(), SomeReferences()));

    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(ConfigFileTest, LoadResetsToTheDefaultsAndReadsBackWhatWasSaved) {
    DriverSettings s = OtherSettings();
    ReferencePoints refs = SomeReferences();
    ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
    DriverSettings expected = DefaultSettings();
    expected.SegmentNumber = 12;  // not in the file
    EXPECT_TRUE(SameSettings(s, expected));
    EXPECT_EQ(refs, ReferencePoints{});

    ASSERT_EQ(config.Save(OtherSettings(), SomeReferences()).status, ConfigResult::Ok);
    s.SegmentNumber = 12;
    ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
    expected = OtherSettings();
    expected.ShowCtrlWindow = 0;
    EXPECT_TRUE(SameSettings(s, expected));
    EXPECT_EQ(refs, SomeReferences());
}

TEST_F(ConfigFileTest, EachKeyReadsByItsTypeWithItsDefault) {
    using Field = std::function<int64_t(const DriverSettings&)>;
    const Field format = [](const DriverSettings& s) { return s.DataFormat; };
    const Field port = [](const DriverSettings& s) { return s.PortNumber; };
    const Field baud = [](const DriverSettings& s) { return s.BaudRate; };
    const Field show = [](const DriverSettings& s) { return s.ShowCtrlWindow; };
    const Field depth = [](const DriverSettings& s) { return s.FilterDepth; };
    const Field reset = [](const DriverSettings& s) { return s.ResetOnConnect; };
    const Field times10 = [](const DriverSettings& s) { return s.TimesTenRange; };
    const Field invert = [](const DriverSettings& s) { return s.InvertRange; };
    const Field decimals = [](const DriverSettings& s) { return s.ThreeDecimals; };
    const struct {
        const char* text;  // UTF-8
        Field field;
        int64_t expected;
    } cases[] = {
        {"[硬件类型]\n数据格式=3", format, 3},
        {"[硬件类型]\n数据格式= 4 ", format, 4},
        {"[硬件类型]\n数据格式=three", format, 2},
        {"[硬件类型]\n数据格式=259", format, 3},  // low 8 bits
        {"[通讯设置]\n串口编号=0", port, 0},
        {"[通讯设置]\n串口编号=12abc", port, 1},
        {"[通讯设置]\n串口编号=-3", port, -3},
        {"[通讯设置]\n波特率=0x1C200", baud, 115200},
        {"[通讯设置]\n波特率=$4B00", baud, 19200},
        {"[通讯设置]\n波特率=99999999999", baud, 19200},
        {"[通讯设置]\n波特率=", baud, 19200},
        {"[用户参数]\n显示DLL小窗口=0", show, 0},
        {"[用户参数]\n显示DLL小窗口=5", show, 1},
        {"[用户参数]\n显示DLL小窗口=256", show, 1},  // non-zero, though its low byte is 0
        {"[用户参数]\n显示dll小窗口=0", show, 0},
        {"[用户参数]\n显示DLL小窗口=no", show, 1},
        {"[用户参数]\n数据过滤深度=0", depth, 0},
        {"[用户参数]\n数据过滤深度=300", depth, 44},
        {"[用户参数]\n数据过滤深度=-1", depth, 255},
        {"[用户参数]\n数据过滤深度=4294967295", depth, 10},
        {"[用户参数]\n连接时重置硬件=1", reset, 1},
        {"[用户参数]\n数值×10=133", times10, 133},
        {"[用户参数]\n数值×10=0x85", times10, 133},
        {"[用户参数]\n位移计算取反=128", invert, 128},
        {"[用户参数]\n三位小数=1", decimals, 1},
        {"[用户参数]\n三位小数=1.0", decimals, 0},
        {"[通讯设置]\n数据过滤深度=7", depth, 10},  // wrong section
        {"[用户参数]\n数据过滤深度=7\n数据过滤深度=8", depth, 7},
        {"", depth, 10},
    };
    for (const auto& c : cases) {
        DriverSettings s;
        ReferencePoints refs{};
        ReadConfigText(Gbk(c.text), s, refs);
        EXPECT_EQ(c.field(s), c.expected) << c.text;
    }

    // The same through a file on disk, references included.
    fs::create_directories(folder);
    WriteBytes(file(), Gbk("[参考零点]\r\n通道05=-123\r\n通道31=0x7FFFFFFF\r\n通道5=7\r\n通道07=junk\r\n"));
    DriverSettings s;
    ReferencePoints refs = SomeReferences();
    ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
    ReferencePoints expected{};
    expected[5] = -123;
    expected[31] = 2147483647;
    EXPECT_EQ(refs, expected);
}

TEST_F(ConfigFileTest, SegmentChoosesTheFileName) {
    const struct {
        uint8_t segment;
        const char* name;
    } cases[] = {{0, "Vexla配置000.txt"},  {5, "Vexla配置005.txt"},   {7, "Vexla配置007.txt"},
                 {42, "Vexla配置042.txt"}, {200, "Vexla配置200.txt"}, {255, "Vexla配置255.txt"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ConfigFileName(c.segment), c.name);
        config.SetSegment(c.segment);
        EXPECT_EQ(FromUtf8(config.FilePath()), folder / FromUtf8(c.name));
    }
    config.SetSegment(7);
    DriverSettings s;
    ReferencePoints refs{};
    ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
    EXPECT_TRUE(fs::exists(folder / FromUtf8("Vexla配置007.txt")));
    EXPECT_FALSE(fs::exists(folder / FromUtf8("Vexla配置000.txt")));
}

TEST_F(ConfigFileTest, SaveReferencesRewritesOnlyTheReferenceKeys) {
    // Hand edits: LF and CR LF, comments, unknown keys, odd spacing, a
    // duplicate key, a missing key and keys in another case.
    std::vector<std::string> before = {
        "; edited by hand\r\n", "[用户参数]\n",   "数据过滤深度 = 7 ; by hand\r\n",
        "Unknown=x\r\n",        "[参考零点]\r\n", "  通道00 =  5\n",
        "通道01=junk\r\n",      "通道01=9\r\n",
    };
    std::vector<std::string> after = {
        "; edited by hand\r\n", "[用户参数]\n",   "数据过滤深度 = 7 ; by hand\r\n",
        "Unknown=x\r\n",        "[参考零点]\r\n", "  通道00 =100\n",
        "通道01=101\r\n",       "通道01=9\r\n",
    };
    for (int i = 2; i < 32; ++i) {
        if (i == 17) continue;  // added after the last key
        const std::string key = "通道" + std::string(i < 10 ? "0" : "") + std::to_string(i);
        before.push_back(key + "=1\r\n");
        after.push_back(key + "=" + std::to_string(100 + i) + "\r\n");
    }
    before.insert(before.end(), {"; trailing comment\r\n", "[其他]\r\n", "通道17=3"});
    after.insert(after.end(), {"通道17=117\r\n", "; trailing comment\r\n", "[其他]\r\n", "通道17=3"});
    std::string original, expected;
    for (const auto& l : before) original += l;
    for (const auto& l : after) expected += l;

    fs::create_directories(folder);
    WriteBytes(file(), Gbk(original));
    ReferencePoints refs{};
    for (int i = 0; i < 32; ++i) refs[i] = 100 + i;
    DriverSettings s = OtherSettings();
    ASSERT_EQ(config.SaveReferences(s, refs).status, ConfigResult::Ok);
    EXPECT_EQ(ReadBytes(file()), Gbk(expected));
    EXPECT_TRUE(SameSettings(s, OtherSettings()));

    // Without the section, it is appended whole.
    WriteBytes(file(), Gbk("[用户参数]\r\n三位小数=1"));
    ASSERT_EQ(config.SaveReferences(s, refs).status, ConfigResult::Ok);
    std::string appended = "[用户参数]\r\n三位小数=1\r\n[参考零点]\r\n";
    for (int i = 0; i < 32; ++i)
        appended +=
            "通道" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=" + std::to_string(100 + i) + "\r\n";
    EXPECT_EQ(ReadBytes(file()), Gbk(appended));
}

TEST_F(ConfigFileTest, SaveReferencesWithoutAFileStartsOverInFormatThree) {
    DriverSettings s = OtherSettings();
    ASSERT_EQ(config.SaveReferences(s, SomeReferences()).status, ConfigResult::Ok);
    DriverSettings expected = DefaultSettings();
    expected.DataFormat = 3;
    expected.SegmentNumber = OtherSettings().SegmentNumber;
    EXPECT_TRUE(SameSettings(s, expected));
    EXPECT_EQ(ReadBytes(file()), GoldenFile(expected, SomeReferences()));
}

TEST_F(ConfigFileTest, HostileFilesReadAsDefaultsAndTakeReferencesIntact) {
    std::mt19937 rng(5);
    std::string junk(1 << 16, '\0');
    for (char& c : junk) c = static_cast<char>(rng());
    std::string big;  // 10 MB of lines that look nearly right
    const std::string nearlyRight = Gbk("[参考零点 ]x\r\n通道00==1\n=\r\n[\r\n;") + junk.substr(0, 64) + "\r";
    while (big.size() < 10'000'000) big += nearlyRight;
    const struct {
        std::string bytes;
        bool hasReferenceSection;
    } cases[] = {
        {junk, false},
        {big, true},
        {Gbk("[用户参数]\r\n数据过滤深度=") + std::string(10'000'000, '9') + "\r\n", false},
        {std::string(1000, '\0'), false},
        {"\xEF\xBB\xBF" + Gbk("[硬件类型]\r\n数据格式=7\r\n"), false},  // a BOM hides the first section
    };
    fs::create_directories(folder);
    for (const auto& [bytes, hasReferenceSection] : cases) {
        WriteBytes(file(), bytes);
        DriverSettings s;
        ReferencePoints refs = SomeReferences();
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(s.FilterDepth, 10);
        EXPECT_EQ(s.DataFormat, 2);
        EXPECT_EQ(refs, ReferencePoints{});

        ASSERT_EQ(config.SaveReferences(s, SomeReferences()).status, ConfigResult::Ok);
        const std::string written = ReadBytes(file());
        // The junk itself is kept: around the reference lines, or before the
        // appended section.
        if (hasReferenceSection)
            EXPECT_TRUE(WithoutReferenceLines(written) == WithoutReferenceLines(bytes));
        else
            EXPECT_TRUE(written.compare(0, bytes.size(), bytes) == 0);
        ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
        EXPECT_EQ(refs, SomeReferences());
    }
}

TEST_F(ConfigFileTest, MissingParentFoldersAreCreated) {
    // A fresh Linux account may not have its config home yet.
    const fs::path deep = temp.path() / ".config" / FromUtf8("系统配置");
    ConfigFile c(disk, Utf8(deep));
    DriverSettings s;
    ReferencePoints refs{};
    ASSERT_EQ(c.Load(s, refs).status, ConfigResult::Ok);
    EXPECT_TRUE(fs::is_regular_file(FromUtf8(c.FilePath())));
}

TEST_F(ConfigFileTest, AFolderThatCannotBeCreatedLeavesTheDefaultsInMemory) {
    WriteBytes(folder, "a file where the folder belongs");
    ConfigFile under(disk, Utf8(folder / "sub"));  // its parent is a file
    for (ConfigFile* c : {&config, &under}) {
        DriverSettings s = OtherSettings();
        ReferencePoints refs = SomeReferences();
        const ConfigResult r = c->Load(s, refs);
        EXPECT_EQ(r.status, ConfigResult::FolderFailed);
        EXPECT_EQ(r.path, c->Folder());
        EXPECT_EQ(ConfigMessage(r), "没能成功创建目录：\r\n" + c->Folder());
        EXPECT_TRUE(r.error) << "the system's reason goes to the trace";
        DriverSettings expected = DefaultSettings();
        expected.SegmentNumber = OtherSettings().SegmentNumber;
        EXPECT_TRUE(SameSettings(s, expected));

        s = OtherSettings();
        EXPECT_EQ(c->Save(s, refs).status, ConfigResult::FolderFailed);
        EXPECT_EQ(c->SaveReferences(s, refs).status, ConfigResult::FolderFailed);
        EXPECT_TRUE(SameSettings(s, OtherSettings())) << "settings stay as they were";
    }
    EXPECT_EQ(ReadBytes(folder), "a file where the folder belongs");
}

TEST_F(ConfigFileTest, AReadOnlyFileIsReadButNeverReplaced) {
    DriverSettings s;
    ReferencePoints refs{};
    ASSERT_EQ(config.Save(OtherSettings(), SomeReferences()).status, ConfigResult::Ok);
    const std::string before = ReadBytes(file());
    fs::permissions(file(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    for (const ConfigResult& r : {config.Save(DefaultSettings(), refs), config.SaveReferences(s, refs)}) {
        EXPECT_EQ(r.status, ConfigResult::WriteFailed);
        EXPECT_EQ(r.path, config.FilePath());
        EXPECT_EQ(ConfigMessage(r), "Unable to write to " + config.FilePath());
        EXPECT_EQ(r.error, std::errc::permission_denied) << r.error.message();
        EXPECT_EQ(ConfigTraceText(r).rfind("Unable to write to " + config.FilePath() + " (OS error ", 0), 0u)
            << ConfigTraceText(r);
    }
    EXPECT_EQ(ReadBytes(file()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "no temporary left";
    ASSERT_EQ(config.Load(s, refs).status, ConfigResult::Ok);
    EXPECT_EQ(refs, SomeReferences());
}

TEST_F(ConfigFileTest, AnUnreadableFileIsNeitherLoadedNorReplaced) {
    fs::create_directories(file());  // a folder where the file belongs
    DriverSettings s = OtherSettings();
    ReferencePoints refs = SomeReferences();
    const ConfigResult loaded = config.Load(s, refs);
    EXPECT_EQ(loaded.status, ConfigResult::ReadFailed);  // traced, not shown
    EXPECT_TRUE(loaded.error);
    EXPECT_EQ(ConfigMessage(loaded), "");
    EXPECT_EQ(s.DataFormat, 2);
    EXPECT_EQ(config.Save(s, refs).status, ConfigResult::WriteFailed);
    EXPECT_EQ(config.SaveReferences(s, refs).status, ConfigResult::WriteFailed);
    EXPECT_TRUE(fs::is_directory(file()));
}

}  // namespace
}  // namespace vexla
