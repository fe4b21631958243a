#include "tester/console/pellin_console.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace vexla::tester::console {
namespace {

TEST(PellinCommand, SendsOnlyWhatWasMeant) {
    struct Case {
        const char* line;
        CommandKind kind;
        const char* text;
    };
    const Case cases[] = {
        {"1", CommandKind::ZeroAllDisplacements, ""},
        {"  2 \r", CommandKind::ZeroAllGauges, ""},
        {"3 15", CommandKind::ZeroChannelDisplacement, "15"},
        {"3\t 2.5\r", CommandKind::ZeroChannelDisplacement, "2.5"},
        {"4 1 5", CommandKind::ZeroChannelGauge, "1 5"},  // Val reads it as 15
        {"4 abc", CommandKind::ZeroChannelGauge, "abc"},
        {"3", CommandKind::ZeroChannelDisplacement, ""},
        {"t", CommandKind::ToggleGaugeType, ""},
        {"q\r\n", CommandKind::Quit, ""},
        {"", CommandKind::None, ""},
        {" \t\r", CommandKind::None, ""},
        // A slip of the keyboard sends nothing.
        {"1 5", CommandKind::Unknown, "1 5"},
        {"315", CommandKind::Unknown, "315"},
        {"q now", CommandKind::Unknown, "q now"},
        {"T", CommandKind::Unknown, "T"},
        {"x", CommandKind::Unknown, "x"},
    };
    for (const auto& c : cases) {
        const Command command = ParseCommand(c.line);
        EXPECT_EQ(command.kind, c.kind) << '"' << c.line << '"';
        EXPECT_EQ(command.text, c.text) << '"' << c.line << '"';
    }
}

TEST(PellinInput, LinesComeWholeWhateverThePiecesAndLongOnesAreDropped) {
    const std::string longLine(LineSplitter::kMaxLine + 1, '3');
    struct Case {
        std::vector<std::string> pieces;
        std::vector<std::string> lines;  // "!" for a line dropped as too long
        const char* last;                // what Finish gives, or null
    };
    const Case cases[] = {
        {{"1\n"}, {"1"}, nullptr},
        {{"3 1", "5\n4", " 2\nq"}, {"3 15", "4 2"}, "q"},
        {{"\n\n1\n"}, {"", "", "1"}, nullptr},
        {{"3 15\r\n"}, {"3 15\r"}, nullptr},
        {{longLine, "\n1\n"}, {"!", "1"}, nullptr},
        {{longLine.substr(0, 600), longLine.substr(600) + "\nt\n"}, {"!", "t"}, nullptr},
        {{std::string(LineSplitter::kMaxLine, '4') + "\n"}, {std::string(LineSplitter::kMaxLine, '4')}, nullptr},
        {{longLine}, {}, "!"},
    };
    for (const auto& c : cases) {
        LineSplitter splitter;
        std::vector<LineSplitter::Line> got;
        for (const auto& piece : c.pieces) splitter.Feed(piece, got);
        std::vector<std::string> texts;
        for (const auto& line : got) texts.push_back(line.tooLong ? "!" : line.text);
        const auto last = splitter.Finish();
        std::ostringstream name;
        for (const auto& piece : c.pieces) name << '[' << piece.substr(0, 20) << ']';
        EXPECT_EQ(texts, c.lines) << name.str();
        EXPECT_EQ(last.has_value(), c.last != nullptr) << name.str();
        if (last && c.last) {
            EXPECT_EQ(last->tooLong ? "!" : last->text, c.last) << name.str();
        }
        EXPECT_FALSE(splitter.Finish()) << name.str();
    }
}

TEST(PellinOptions, BadValuesAreRefusedWithTheReason) {
    struct Case {
        std::vector<const char*> args;
        const char* error;  // null: accepted
    };
    const Case cases[] = {
        {{"--seconds", "2.5", "--print-every", "0", "--thousandth", "--quit-on-eof"}, nullptr},
        {{"--seconds", "-1"}, "bad value for --seconds: \"-1\""},
        {{"--seconds", "nan"}, "bad value for --seconds: \"nan\""},
        {{"--print-every", "1s"}, "bad value for --print-every: \"1s\""},
        {{"--library"}, "--library needs a value"},
        {{"--library", ""}, "bad value for --library: \"\""},
        {{"--com", "3"}, "unknown argument --com"},
        {{"--help", "--seconds", "x"}, "bad value for --seconds: \"x\""},  // help hides no mistake
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"pellin"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const auto parsed = ParseOptions(static_cast<int>(argv.size()), argv.data(), "default.so");
        EXPECT_EQ(parsed.Ok(), c.error == nullptr) << c.args.front();
        if (c.error && !parsed) {
            EXPECT_EQ(parsed.Failure().reason, c.error);
        }
    }
}

TEST(PellinTable, ColumnsLineUpUnderTheChineseHeadings) {
    class Numbers : public host::DriverCalls {
        void Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length) override {
            ::Long2String(value, decimals, buffer, length);
        }
    } driver;
    TesterModel model(driver);
    model.Load();
    std::array<int32_t, kChannels> rates{};
    rates.fill(-1);
    rates[0] = 53;
    rates[1] = 0;
    rates[9] = 200;
    VexlaDataBlock32 block{};
    block.updated[0] = block.updated[1] = block.updated[9] = 1;
    block.value[0] = 2500;
    block.displacement[0] = -123456789;  // the widest text
    block.value[1] = -7;
    block.value[9] = 12345;
    model.Refresh(rates, block);

    std::vector<std::string> lines;
    std::istringstream table(Table(model, 3.04));
    for (std::string line; std::getline(table, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u + kChannels);
    EXPECT_EQ(lines[0], "-- 3.0 s  百分表 --");
    // The rate column starts in the same terminal cell on every line.
    const auto rateCell = [](const std::string& line, const std::string& start) {
        const auto at = line.rfind(start);
        return at == std::string::npos ? -1 : DisplayCells(line.substr(0, at));
    };
    const int column = rateCell(lines[1], "更新率") - 1;
    EXPECT_EQ(rateCell(lines[2], " 5.3次/秒[0001]"), column) << lines[2];
    EXPECT_EQ(rateCell(lines[3], "数据脱离 [0001]"), column) << lines[3];
    EXPECT_EQ(rateCell(lines[11], "20.0次/秒[0001]"), column) << lines[11];
    EXPECT_EQ(rateCell(lines[33], "   ------   "), column) << lines[33];
    EXPECT_EQ(lines[2].substr(0, 38), "  1#         2.500 mm   -123456.789 mm");
    EXPECT_EQ(lines[3].substr(0, 21), "  2#        -0.007 mm");
    EXPECT_EQ(lines[33].substr(0, 21), " 32#     ------      ");
}

}  // namespace
}  // namespace vexla::tester::console
