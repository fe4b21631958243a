#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "recorder/model/csv_rows.h"
#include "recorder/model/recording.h"

namespace vexla::recorder {
namespace {

using monitor::HardwareType;
using quality::Judgement;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

LocalTime At(int second, int millisecond = 0) {
    return {2026, 12, 8, 18, 40, second, millisecond, 60};
}

TEST(CsvTime, IsoTextRoundTripsAndCountsFromUtc) {
    const LocalTime t{2026, 3, 29, 2, 59, 59, 999, -330};
    EXPECT_EQ(IsoText(t), "2026-03-29T02:59:59.999-05:30");
    const auto back = ParseIsoText(IsoText(t));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->EpochMilliseconds(), t.EpochMilliseconds());
    // The same instant on both sides of a change of offset.
    EXPECT_EQ(ParseIsoText("2026-10-25T02:30:00.000+02:00")->EpochMilliseconds(),
              ParseIsoText("2026-10-25T01:30:00.000+01:00")->EpochMilliseconds());
    EXPECT_EQ(ParseIsoText("1970-01-01T00:00:01.500Z")->EpochMilliseconds(), 1500);
    EXPECT_EQ(ParseIsoText("2000-03-01T00:00:00.000+00:00")->EpochMilliseconds(), 951868800000);
    for (const char* bad : {"2026-12-08T18:40:01.25+01:00", "2026-13-08T18:40:01.250+01:00",
                            "2026-12-08 18:40:01.250+01:00", "2026-12-08T18:40:01.250+01", ""}) {
        EXPECT_FALSE(ParseIsoText(bad)) << bad;
    }
}

TEST(Recording, WritesOneRowPerNewReadingOfAChosenChannel) {
    RecordingSettings settings;
    settings.channels[0] = settings.channels[1] = settings.channels[3] = true;
    settings.kinds[3] = HardwareType::Thousandth;
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32];
    std::fill(std::begin(rates), std::end(rates), -1);
    rates[0] = 53;
    block.value[0] = 12345;  // 1234.5 hundredths of a mm: shown as 12.35
    block.displacement[0] = -5;
    block.updated[0] = -1;
    block.value[2] = 1;  // channel 3: new, but not chosen
    block.updated[2] = -1;
    block.value[3] = -4567;  // 0.001 mm gauge: -0.457
    block.displacement[3] = 4;
    block.updated[3] = -1;
    std::string out = CsvHeading(settings.Layout());
    EXPECT_EQ(recording.TakeResult(block, rates, At(1, 250), out), 2U);
    block.updated[0] = 0;  // nothing new from channel 1 next time; its rate stays known
    rates[0] = -1;
    EXPECT_EQ(recording.TakeResult(block, rates, At(1, 300), out), 1U);
    EXPECT_EQ(Lines(out), (std::vector<std::string>{
                              "time,channel,value_mm,displacement_mm,rate_per_s\r",
                              "2026-12-08T18:40:01.250+01:00,1,12.35,-0.01,5.3\r",
                              "2026-12-08T18:40:01.250+01:00,4,-0.457,0.000,\r",
                              "2026-12-08T18:40:01.300+01:00,4,-0.457,0.000,\r",
                          }));
    const StatisticsTable stats = recording.Statistics();
    ASSERT_EQ(stats.rows.size(), 2U);
    EXPECT_EQ(stats.rows[1], (std::vector<std::string>{"4", "", "2", "0.000", "0.000", "0.000", "0.0000", "0.0000"}));
}

TEST(Recording, JudgesAgainstLimitsAndCountsOutside) {
    RecordingSettings settings;
    settings.channels[0] = true;
    settings.limits = *quality::ParseLimits("1, 0, -0.055, 0.05, depth\n");
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32] = {};
    block.updated[0] = -1;
    std::string out;
    for (const int32_t d : {-60, -50, 0, 50, 56, 70}) {  // tenths of 0.01 mm
        block.displacement[0] = d;
        recording.TakeResult(block, rates, At(2), out);
    }
    std::vector<std::string> judgements;
    for (const std::string& line : Lines(out)) judgements.push_back(line.substr(line.rfind(',') + 1));
    EXPECT_EQ(judgements, (std::vector<std::string>{"LOW\r", "OK\r", "OK\r", "OK\r", "HIGH\r", "HIGH\r"}));
    const StatisticsTable stats = recording.Statistics();
    ASSERT_EQ(stats.rows.size(), 1U);
    EXPECT_EQ(stats.rows[0][1], "depth");
    EXPECT_EQ(stats.rows[0][8], "-0.055") << "a limit keeps its own decimals";
    EXPECT_EQ(stats.rows[0][9], "0.05") << "else it has the readings' decimals";
    EXPECT_EQ(stats.rows[0].back(), "3");
    EXPECT_EQ(stats.headings.back(), "outside");
}

TEST(Recording, CaptureWritesOneRowSetPerTrigger) {
    RecordingSettings settings;
    settings.channels[0] = settings.channels[1] = settings.channels[2] = true;
    settings.capture = true;
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32];
    std::fill(std::begin(rates), std::end(rates), 50);
    rates[2] = 0;  // channel 3 fell silent after its reading
    for (int c : {0, 2}) {
        block.value[c] = 1000 * (c + 1);
        block.updated[c] = -1;
    }
    std::string out;
    EXPECT_EQ(recording.TakeResult(block, rates, At(3), out), 0U);
    EXPECT_EQ(out, "") << "no rows between captures";
    PartVerdict verdict;
    EXPECT_EQ(recording.Capture(At(4), {}, out, verdict), 1U);
    EXPECT_EQ(verdict.missing, (std::vector<int>{2, 3}));
    block.updated[1] = -1;
    rates[2] = 50;
    recording.TakeResult(block, rates, At(5), out);
    EXPECT_EQ(recording.Capture(At(6), {}, out, verdict), 3U);
    EXPECT_TRUE(verdict.Ok());
    EXPECT_EQ(recording.NokParts(), 1U);
    EXPECT_EQ(Lines(out), (std::vector<std::string>{
                              "1,2026-12-08T18:40:04.000+01:00,1,1.00,0.00,5.0,NOK missing 2 3\r",
                              "2,2026-12-08T18:40:06.000+01:00,1,1.00,0.00,5.0,OK\r",
                              "2,2026-12-08T18:40:06.000+01:00,2,0.00,0.00,5.0,OK\r",
                              "2,2026-12-08T18:40:06.000+01:00,3,3.00,0.00,5.0,OK\r",
                          }));
}

TEST(CsvReader, ReadsRowsBackAndSkipsBrokenOnes) {
    CsvReader reader;
    EXPECT_FALSE(reader.ReadHeading("time,value_mm,rate_per_s"));
    ASSERT_TRUE(reader.ReadHeading("\xEF\xBB\xBFpart,time,channel,value_mm,displacement_mm,rate_per_s,judgement\r\n"));
    EXPECT_TRUE(reader.Layout().capture && reader.Layout().judged);
    const auto row = reader.ReadRow("7,2026-12-08T18:40:01.250+01:00,12,-1.234,0.005,12.5,HIGH\r\n");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->part, 7U);
    EXPECT_EQ(row->channel, 12);
    EXPECT_EQ(row->value, -12340);
    EXPECT_EQ(row->displacement, 50);
    EXPECT_EQ(row->decimals, 3);
    EXPECT_EQ(row->rate, 125);
    EXPECT_EQ(row->judgement, Judgement::High);
    for (const char* broken : {
             "7,2026-12-08T18:40:01.250+01:00,12,-1.234,0.005,12.5,HIG",  // cut off
             "7,2026-12-08T18:40:01.250+01:00,12,-1.234,0.005,12.",
             "7,2026-12-08T18:40:01.250+01:00,12,-1.234,0.0",
             "7,2026-12-08T18:4",
             "7,2026-12-08T18:40:01.250+01:00,33,-1.234,0.005,12.5,OK",
             "7,2026-12-08T18:40:01.250+01:00,12,-1.234,x,12.5,OK",
             "0,2026-12-08T18:40:01.250+01:00,12,-1.234,0.005,12.5,OK",
             "",
         }) {
        EXPECT_FALSE(reader.ReadRow(broken)) << broken;
    }
    // Rows as the recorder writes them read back as they were.
    RecordingSettings settings;
    settings.channels[4] = true;
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32] = {};
    block.value[4] = -7;
    block.displacement[4] = 123456;
    block.updated[4] = -1;
    std::string out = CsvHeading(settings.Layout());
    recording.TakeResult(block, rates, At(9, 5), out);
    const std::vector<std::string> lines = Lines(out);
    CsvReader plain;
    ASSERT_TRUE(plain.ReadHeading(lines[0]));
    const auto back = plain.ReadRow(lines[1]);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value, -100);
    EXPECT_EQ(back->displacement, 1234600);
    EXPECT_EQ(back->rate, 0);
    EXPECT_EQ(back->time.EpochMilliseconds(), At(9, 5).EpochMilliseconds());
    EXPECT_FALSE(back->judgement);
}

TEST(Recording, EachChannelsChartFindsTheDriftAtThePartsThatShowIt) {
    RecordingSettings settings;
    settings.channels[0] = true;
    settings.capture = true;
    settings.kinds[0] = monitor::HardwareType::Thousandth;
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32] = {};
    rates[0] = 50;
    block.updated[0] = -1;
    std::string out;
    PartVerdict verdict;
    // 25 parts of baseline around 0 (σ from the moving ranges about 8 µm),
    // then the gauge stands 22 µm higher: 2 of 3 beyond 2σ at once, and the
    // eighth part in a row above the centre line.
    const int wobble[] = {0, 10, -10, 5, -5};
    std::vector<std::pair<int, quality::Violation>> seen;
    for (int part = 1; part <= 40; ++part) {
        const int microns = part <= 30 ? wobble[part % 5] : 22;
        block.value[0] = block.displacement[0] = microns * 100;  // tenths of 0.001 mm
        recording.TakeResult(block, rates, At(part), out);
        recording.Capture(At(part), {}, out, verdict);
        if (recording.LastViolation() && (seen.empty() || seen.back().second != recording.LastViolation()->second))
            seen.push_back(*recording.LastViolation());
    }
    const quality::LiveChart& chart = recording.Chart(1);
    ASSERT_TRUE(chart.Limits());
    EXPECT_NEAR(chart.Limits()->location.centre, 0, 1e-9);
    ASSERT_FALSE(seen.empty());
    // The first violation comes at part 32 (index 31): the second part beyond 2σ.
    EXPECT_EQ(seen.front().first, 1);
    EXPECT_EQ(seen.front().second.rule, 2);
    EXPECT_EQ(seen.front().second.lastPart, 31U);
    bool ruleFour = false;
    for (const auto& [channel, v] : seen) ruleFour = ruleFour || (v.rule == 4 && v.lastPart == 37);
    EXPECT_TRUE(ruleFour) << "eight in a row above the centre at part 38";
    EXPECT_FALSE(chart.InControl());
}

TEST(CsvReader, PartIdentitiesReadBackExactlyWhateverTheyHold) {
    RecordingSettings settings;
    settings.channels[0] = true;
    settings.capture = settings.identified = true;
    settings.limits = *quality::ParseLimits("1,0,-0.1,0.1\n");
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32] = {};
    rates[0] = 50;
    block.value[0] = block.displacement[0] = 5000;  // 0.50 mm: outside
    block.updated[0] = -1;
    std::string out = CsvHeading(settings.Layout());
    recording.TakeResult(block, rates, At(1), out);
    const PartIdentity identities[] = {
        {"A-0001", "lot 7", "Li"},
        {"x,y", "say \"hi\"", "王工"},
        {"two\nlines", "", " spaced "},
    };
    PartVerdict verdict;
    for (const PartIdentity& id : identities) recording.Capture(At(2), id, out, verdict);
    EXPECT_EQ(verdict.Text(), "NOK 1");

    // Lines as a reader splits them: a quoted line end stays inside its field.
    std::vector<std::string> lines;
    std::string line;
    bool quoted = false;
    for (char c : out) {
        line += c;
        if (c == '"') quoted = !quoted;
        if (c == '\n' && !quoted) lines.push_back(std::exchange(line, {}));
    }
    ASSERT_EQ(lines.size(), 4U);
    CsvReader reader;
    ASSERT_TRUE(reader.ReadHeading(lines[0]));
    EXPECT_TRUE(reader.Layout().identified);
    for (size_t i = 0; i < 3; ++i) {
        const auto row = reader.ReadRow(lines[i + 1]);
        ASSERT_TRUE(row) << lines[i + 1];
        EXPECT_EQ(row->partId, identities[i].id);
        EXPECT_EQ(row->batch, identities[i].batch);
        EXPECT_EQ(row->operatorName, identities[i].operatorName);
        EXPECT_EQ(row->partVerdict, "NOK 1");
        EXPECT_EQ(row->judgement, Judgement::High);
    }
    EXPECT_FALSE(reader.ReadRow("1,\"unclosed,b,c,2026-12-08T18:40:01.250+01:00,1,0.50,0.50,5.0,HIGH,NOK 1"));
}

}  // namespace
}  // namespace vexla::recorder
