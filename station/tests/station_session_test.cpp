// The station's settings file, its parts, counters, charts and records, and
// the session's faults: real files in a temporary folder, the driver's
// results handed in as the driver hands them out.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "station/model/day_records.h"
#include "station/model/station.h"
#include "station/model/station_session.h"

namespace vexla::station {
namespace {

namespace fs = std::filesystem;

quality::ChannelLimits Limits(double nominal, double lower, double upper, std::string name = {}) {
    const auto mm = [](double v) {
        return static_cast<quality::Fixed>(v * quality::kFixedPerMm + (v < 0 ? -0.5 : 0.5));
    };
    return {mm(nominal), mm(lower), mm(upper), std::move(name)};
}

recorder::LocalTime At(int day, int hour, int minute = 0) {
    recorder::LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.utcOffsetMinutes = 60;
    return t;
}

// One tick of the driver: each channel's displacement in hundredths of a
// millimetre (0.01 mm gauges: the driver's tenths of the last digit), or
// silent (rate 0).
struct Tick {
    int32_t rates[32];
    VexlaDataBlock32 block{};
    Tick() {
        for (int32_t& r : rates) r = 200;
    }
    Tick& Set(int channel, double mm) {
        const auto c = static_cast<size_t>(channel - 1);
        block.value[c] = block.displacement[c] = static_cast<int32_t>(mm * 1000 + (mm < 0 ? -0.5 : 0.5));
        block.updated[c] = -1;
        return *this;
    }
    Tick& Silent(int channel) {
        rates[channel - 1] = 0;
        return *this;
    }
};

class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("station-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path folder_;
};

TEST(StationFile, EverySettingSurvivesItsFileAndEachFaultyLineIsNamed) {
    StationSettings s;
    s.segment = 7;
    s.channels = 0x80000F0Fu;
    s.thousandths = 0x3u;
    s.names[0] = "孔深, oben";
    s.names[31] = "flange";
    s.limitsFile = "C:\\系统配置\\limits.txt";
    s.warningFraction = 0.6;
    s.captureKey = "F12";
    s.scanThenCapture = true;
    s.masterIntervalHours = 0.5;
    s.lastMaster = At(9, 6, 30);
    s.recordsFolder = "/srv/检测记录";
    s.language = Language::English;
    s.batch = "B-17";
    s.operatorName = "王芳";
    const StationFile back = ParseStationFile(StationFileText(s));
    EXPECT_TRUE(back.problems.empty());
    EXPECT_EQ(StationFileText(back.settings), StationFileText(s));
    EXPECT_EQ(back.settings.channels, s.channels);
    EXPECT_EQ(back.settings.lastMaster->EpochMilliseconds(), s.lastMaster->EpochMilliseconds());

    const StationFile faulty = ParseStationFile(
        "\xEF\xBB\xBF; a comment\n"
        "segment = 1000\n"
        "[station]\n"
        "warning = 80 ; % of the tolerance\n"
        "channels = 0-4\n"
        "capture_key = F25\n"
        "records = D:\\records\n"
        "nonsense\n"
        "[names]\n"
        "33 = too far\n"
        "2 = width ; with its semicolon\n");
    EXPECT_EQ(faulty.settings.warningFraction, 0.8);
    EXPECT_EQ(faulty.settings.channels, StationSettings().channels) << "a faulty list keeps the default";
    EXPECT_EQ(faulty.settings.captureKey, "F9");
    EXPECT_EQ(faulty.settings.recordsFolder, "D:\\records");
    EXPECT_EQ(faulty.settings.names[1], "width ; with its semicolon");
    ASSERT_EQ(faulty.problems.size(), 5u);
    EXPECT_EQ(faulty.problems[0].substr(0, 7), "line 2:");
    EXPECT_EQ(faulty.problems[4].substr(0, 8), "line 10:");
}

TEST(StationFile, CaptureKeysByName) {
    using K = CaptureKey::Kind;
    const std::pair<const char*, std::optional<CaptureKey>> cases[] = {
        {"F9", CaptureKey{K::Function, 9, 0}},
        {"f24", CaptureKey{K::Function, 24, 0}},
        {"p", CaptureKey{K::Character, 0, 'P'}},
        {"7", CaptureKey{K::Character, 0, '7'}},
        {"pagedown", CaptureKey{K::PageDown, 0, 0}},
        {"F0", std::nullopt},
        {"F25", std::nullopt},
        {"", std::nullopt},
        {"#", std::nullopt},
        {"Enter", std::nullopt},
    };
    for (const auto& [name, key] : cases) EXPECT_EQ(CaptureKeyOf(name), key) << name;
}

StationSettings FourChannels() {
    StationSettings s;
    s.channels = 0xFu;
    s.names[1] = "外径";
    return s;
}

quality::LimitsTable LimitsOfFour() {
    quality::LimitsTable limits;
    limits.Set(1, Limits(0, -0.05, 0.05, "孔深"));
    limits.Set(2, Limits(0, -0.05, 0.05));
    limits.Set(3, Limits(0, -0.05, 0.05));
    return limits;
}

TEST(Station, PartsVerdictsAndTheShiftsCounters) {
    Station station(FourChannels(), LimitsOfFour());
    EXPECT_EQ(station.Name(1), "孔深");
    EXPECT_EQ(station.Name(2), "外径") << "the station's own name first";
    EXPECT_EQ(station.Name(4), "通道4");
    EXPECT_EQ(station.Tile(1).colour, TileColour::Grey) << "nothing heard yet";

    struct Step {
        Tick tick;
        const char* verdict;
        const char* text;
        uint32_t changed;
    };
    Step steps[] = {
        {Tick().Set(1, 0.01).Set(2, -0.02).Set(3, 0.0).Set(4, 1.5), "OK", "OK", 0xFu},
        {Tick().Set(2, 0.06), "NOK 2", "NOK: 超差 外径", 0x2u},
        {Tick().Set(2, 0.0).Silent(3), "NOK missing 3", "NOK: 缺失 通道3", 0x6u},
        {Tick().Set(1, -0.07).Silent(4).Set(3, 0.0), "NOK 1 missing 4", "NOK: 超差 孔深; 缺失 通道4", 0xDu},
    };
    int part = 0;
    for (Step& step : steps) {
        EXPECT_EQ(station.Take(step.tick.rates, step.tick.block), step.changed) << step.verdict;
        const PartResult result = station.Capture(At(9, 8), "P" + std::to_string(++part));
        EXPECT_EQ(result.verdict.Text(), step.verdict);
        EXPECT_EQ(result.Text(station), step.text);
        EXPECT_EQ(result.number, static_cast<uint64_t>(part));
        EXPECT_NE(result.rows.find(",P" + std::to_string(part) + ","), std::string::npos) << result.rows;
    }
    EXPECT_EQ(station.Tile(1).colour, TileColour::Red);
    EXPECT_EQ(station.Tile(4).colour, TileColour::Grey);
    EXPECT_EQ(station.Parts(), 4u);
    EXPECT_EQ(station.NokParts(), 3u);
    EXPECT_DOUBLE_EQ(*station.YieldPercent(), 25.0);
    Tick same = steps[3].tick;
    EXPECT_EQ(station.Take(same.rates, same.block), 0u) << "an unchanged tick repaints nothing";

    station.NewShift("B-18", "李雷");
    EXPECT_EQ(station.Parts(), 0u);
    EXPECT_FALSE(station.YieldPercent());
    EXPECT_NE(station.Capture(At(9, 16), "").rows.find(",B-18,李雷,"), std::string::npos);
}

TEST(Station, TheChartMarksTheBrokenRuleAndCapabilityListsTheWorstFirst) {
    StationSettings settings = FourChannels();
    Station station(settings, LimitsOfFour());
    // 25 baseline parts around 0, then a drift on channel 1 that stays
    // inside its limits: nine in a row above the centre breaks a run rule.
    for (int k = 0; k < 60; ++k) {
        const double wobble = (k % 2 == 0 ? 0.01 : -0.01);
        const double drift = k >= 25 ? 0.02 : 0;
        Tick tick;
        tick.Set(1, wobble + drift).Set(2, wobble * 5).Set(3, wobble).Set(4, 0.0);
        station.Take(tick.rates, tick.block);
        station.Capture(At(9, 9), "");
    }
    const ChartPanel chart = station.Chart(1);
    ASSERT_TRUE(chart.limits);
    EXPECT_EQ(chart.points.size(), static_cast<size_t>(kChartParts));
    EXPECT_EQ(chart.points.front().part, 11u);
    EXPECT_TRUE(chart.points.front().movingRange) << "its predecessor has left the panel, not the chart";
    EXPECT_TRUE(chart.points.back().locationBroken);
    EXPECT_FALSE(chart.points[10].locationBroken) << "part 21, in the baseline";
    EXPECT_EQ(station.Tile(1).colour, TileColour::Amber) << "inside the limits, but out of control";
    EXPECT_EQ(station.Tile(3).colour, TileColour::Green);
    EXPECT_FALSE(station.Chart(3).points.back().locationBroken);

    const std::vector<CapabilityRow> worst = station.WorstFirst();
    ASSERT_EQ(worst.size(), 4u);
    EXPECT_EQ(worst[0].channel, 2) << "the widest spread";
    EXPECT_EQ(worst[1].channel, 1) << "off centre";
    EXPECT_EQ(worst[2].channel, 3);
    EXPECT_EQ(worst[3].channel, 4) << "no limits: last, without a Ppk";
    EXPECT_FALSE(worst[3].ppk);
}

struct ZeroCalls : host::DriverCalls {
    std::vector<uint32_t> zeroed;
    void SetDataZeroCh(uint32_t channel) override { zeroed.push_back(channel); }
};

TEST(Station, MasteringIsDueByItsIntervalAndZeroesEveryChosenChannel) {
    StationSettings settings;
    settings.channels = 0x5u;  // 1 and 3
    settings.masterIntervalHours = 8;
    Station station(settings, {});
    const int64_t at6 = At(9, 6).EpochMilliseconds();
    EXPECT_TRUE(station.MasterDue(at6)) << "never mastered";
    ZeroCalls driver;
    station.ZeroOnMaster(driver, At(9, 6));
    EXPECT_EQ(driver.zeroed, (std::vector<uint32_t>{0, 2}));
    EXPECT_FALSE(station.MasterDue(At(9, 13, 59).EpochMilliseconds()));
    EXPECT_TRUE(station.MasterDue(At(9, 14).EpochMilliseconds()));
    station.EditSettings().masterIntervalHours = 0;
    EXPECT_FALSE(station.MasterDue(At(20, 0).EpochMilliseconds())) << "no reminder";
}

using DayRecordsTest = TempFolder;

TEST_F(DayRecordsTest, OneFilePerDayContinuedNeverOverwritten) {
    const std::string heading = recorder::CsvHeading(DayRecords::Layout());
    const std::string row1 = "1,A1,,,2026-12-09T08:00:00.000+01:00,1,0.01,0.01,20.0,OK,OK\r\n";
    {
        DayRecords records(Path("rec"));
        EXPECT_EQ(*records.OpenDay(At(9, 8)), std::optional<uint64_t>(0));
        EXPECT_EQ(*records.OpenDay(At(9, 9)), std::nullopt) << "the same day's file stays open";
        ASSERT_TRUE(records.Append(row1));
    }
    // Killed in the middle of part 2's row: the next start ends that line,
    // numbers on from part 1, and keeps every byte there was.
    std::ofstream(Path("rec/parts-20261209.csv"), std::ios::app | std::ios::binary) << "2,2026-12-09T08:01";
    DayRecords records(Path("rec"));
    EXPECT_EQ(*records.OpenDay(At(9, 10)), std::optional<uint64_t>(1));
    ASSERT_TRUE(records.Append("2,x\r\n"));
    EXPECT_EQ(Read(Path("rec/parts-20261209.csv")), heading + row1 + "2,2026-12-09T08:01\r\n2,x\r\n");

    EXPECT_EQ(*records.OpenDay(At(10, 0)), std::optional<uint64_t>(0)) << "a new day, a new file";
    EXPECT_EQ(records.Path(), Path("rec/parts-20261210.csv"));

    // A file of that name with other columns is left alone.
    std::ofstream(Path("rec/parts-20261211.csv"), std::ios::binary) << "time,channel,displacement_mm\r\n";
    ASSERT_TRUE(records.OpenDay(At(11, 0)));
    EXPECT_EQ(records.Path(), Path("rec/parts-20261211-2.csv"));
    EXPECT_EQ(Read(Path("rec/parts-20261211.csv")), "time,channel,displacement_mm\r\n");
}

TEST_F(DayRecordsTest, RowsThatCannotBeWrittenWaitForTheNextPart) {
    std::ofstream(Path("blocked"), std::ios::binary) << "a file where the folder should be";
    DayRecords records(Path("blocked"));
    EXPECT_FALSE(records.OpenDay(At(9, 8)));
    records.Keep("1,a\r\n");
    fs::remove(Path("blocked"));
    ASSERT_TRUE(records.OpenDay(At(9, 8)));
    ASSERT_TRUE(records.Append("2,b\r\n"));
    EXPECT_EQ(records.Waiting(), 0u);
    EXPECT_EQ(Read(Path("blocked/parts-20261209.csv")), recorder::CsvHeading(DayRecords::Layout()) + "1,a\r\n2,b\r\n");
}

using StationSessionTest = TempFolder;

TEST_F(StationSessionTest, AFirstStartAMissingDriverAndMissingLimitsAreSaidNotCrashedOn) {
    StationSession first({Path("station.ini"), Path("no-such-library.so")});
    EXPECT_TRUE(first.FirstStart());
    const Status started = first.Start();
    ASSERT_FALSE(started);
    EXPECT_NE(started.Failure().Text().find("无法加载驱动程序"), std::string::npos) << started.Failure().Text();
    EXPECT_NE(started.Failure().Text().find("no-such-library.so"), std::string::npos);
    EXPECT_EQ(first.Tick(), 0u);
    EXPECT_FALSE(first.ZeroOnMaster());

    StationSettings settings = first.Settings();
    settings.limitsFile = Path("missing-limits.txt");
    settings.recordsFolder = Path("records");
    ASSERT_TRUE(first.Apply(settings));
    EXPECT_FALSE(first.FirstStart());
    ASSERT_EQ(first.Problems().size(), 1u);
    EXPECT_NE(first.Problems()[0].find("missing-limits.txt"), std::string::npos);
    const PartResult part = first.Capture("A1", At(9, 8));
    EXPECT_EQ(part.verdict.missing.size(), 8u) << "no driver: every characteristic missing";
    EXPECT_EQ(part.number, 1u);
    EXPECT_TRUE(first.RecordsStatus());
    EXPECT_EQ(first.RecordsPath(), Path("records") + "/parts-20261209.csv");
    const std::string file = Read(first.RecordsPath());
    EXPECT_NE(file.find("1,A1,,,2026-12-09T08:00:00.000+01:00,8,,,,,NOK missing 1 2 3 4 5 6 7 8\r\n"),
              std::string::npos)
        << "a part without any reading is in the records too:\n"
        << file;

    StationSession again({Path("station.ini"), Path("no-such-library.so")});
    EXPECT_FALSE(again.FirstStart());
    EXPECT_EQ(again.Settings().recordsFolder, Path("records"));
    std::ofstream(Path("station.ini"), std::ios::app) << "warning = lots\n";
    StationSession faulty({Path("station.ini"), Path("no-such-library.so")});
    EXPECT_EQ(faulty.Problems().size(), 2u) << "the faulty line and the missing limits";
}

}  // namespace
}  // namespace vexla::station
