#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "recorder/report/json_writer.h"
#include "recorder/report/report_command.h"
#include "recorder/report/spc.h"
#include "recorder/report/trend_plot.h"

namespace vexla::recorder {
namespace {

namespace fs = std::filesystem;

struct Point {
    double x = 0;
    double y = 0;
};

class Report : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vexla-report-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return RunReport(args, out_, err_);
    }
    // The report of `csv` (and limits), written to report.html.
    std::string Html(const std::string& csv, const std::string& limits = "") {
        std::vector<std::string> args = {Write("rec.csv", csv), "-o", Path("report.html")};
        if (!limits.empty()) args.insert(args.end(), {"--limits", Write("limits.txt", limits)});
        EXPECT_EQ(Run(args), 0) << err_.str();
        return Read(Path("report.html"));
    }

    fs::path dir_;
    std::ostringstream out_, err_;
};

std::vector<Point> Points(const std::string& text) {
    std::vector<Point> points;
    std::istringstream in(text);
    Point p;
    char comma = 0;
    while (in >> p.x >> comma >> p.y) points.push_back(p);
    return points;
}

// Where each element that starts with `start` begins (std::regex would
// recurse too deep on pages this size with Windows' stack).
std::vector<size_t> Elements(const std::string& html, const std::string& start) {
    std::vector<size_t> found;
    for (size_t at = html.find(start); at != std::string::npos; at = html.find(start, at + 1)) found.push_back(at);
    return found;
}

// The value of an attribute of the element at `at`.
std::string Attribute(const std::string& html, size_t at, const std::string& name) {
    const size_t end = html.find('>', at);
    const size_t start = html.find(" " + name + "=\"", at);
    if (start == std::string::npos || start > end) return {};
    const size_t begin = start + name.size() + 3;
    return html.substr(begin, html.find('"', begin) - begin);
}

std::map<int, std::vector<Point>> Polylines(const std::string& html) {
    std::map<int, std::vector<Point>> lines;
    for (const size_t at : Elements(html, "<polyline class=\"trend\"")) {
        const int channel = std::stoi(Attribute(html, at, "data-channel"));
        EXPECT_FALSE(lines.count(channel)) << "two polylines for channel " << channel;
        lines[channel] = Points(Attribute(html, at, "points"));
    }
    return lines;
}

// The y of a limit line of the first plot that has one.
double LimitY(const std::string& html, const std::string& kind) {
    const std::vector<size_t> lines = Elements(html, "<line class=\"limit " + kind + "\"");
    return lines.empty() ? -1 : std::stod(Attribute(html, lines[0], "y1"));
}

// The cells of the statistics table's row of a channel.
std::vector<std::string> StatisticsRow(const std::string& html, int channel) {
    std::vector<std::string> cells;
    const size_t row = html.find("<tr><td>" + std::to_string(channel) + "</td>");
    if (row == std::string::npos) return cells;
    const size_t end = html.find("</tr>", row);
    for (size_t at = html.find("<td", row); at < end; at = html.find("<td", at + 1)) {
        const size_t begin = html.find('>', at) + 1;
        cells.push_back(html.substr(begin, html.find("</td>", begin) - begin));
    }
    return cells;
}

std::string Stamp(int ms) {
    char text[64];
    std::snprintf(text, sizeof text, "2026-12-08T18:%02d:%02d.%03d+01:00", ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string Row(int second, int channel, const std::string& mm) {
    return Stamp(second * 1000) + "," + std::to_string(channel) + "," + mm + "," + mm + ",5.0\r\n";
}

const std::string kHeading = "time,channel,value_mm,displacement_mm,rate_per_s\r\n";

TEST_F(Report, SmallRecordingDrawsEveryPointTheLimitsAndTheReadingsOutside) {
    const std::string html = Html(kHeading + Row(0, 1, "0.00") + Row(0, 2, "1.000") + Row(1, 1, "0.05") +
                                      Row(2, 1, "0.06") + Row(3, 1, "-0.05") + Row(4, 1, "-0.07") + Row(4, 2, "1.002"),
                                  "1, 0.00, -0.05, +0.05, <b>&\"\n");
    EXPECT_EQ(out_.str(), "report: " + Path("report.html") + " (7 rows, 2 channels)\n");
    auto lines = Polylines(html);
    ASSERT_EQ(lines.size(), 2U);
    const std::vector<Point>& one = lines[1];
    ASSERT_EQ(one.size(), 5U);
    EXPECT_EQ(lines[2].size(), 2U);
    // Time runs across the whole plot, from the first row to the last.
    EXPECT_LT(one.front().x, one[1].x);
    EXPECT_DOUBLE_EQ(one.back().x, lines[2].back().x);
    EXPECT_DOUBLE_EQ(one.front().x, lines[2].front().x);
    // The limit lines sit where readings of their values are drawn.
    EXPECT_DOUBLE_EQ(LimitY(html, "upper"), one[1].y);
    EXPECT_DOUBLE_EQ(LimitY(html, "nominal"), one[0].y);
    EXPECT_DOUBLE_EQ(LimitY(html, "lower"), one[3].y);
    EXPECT_LT(one[1].y, one[3].y);
    // Exactly the rows outside (a reading on a limit is inside), at their points.
    std::vector<std::string> marked;
    for (const size_t at : Elements(html, "<circle class=\"outside ")) {
        const std::string line = Attribute(html, at, "data-line");
        marked.push_back(Attribute(html, at, "class") + " " + line);
        const Point& p = one[line == "5" ? 2 : 4];
        EXPECT_DOUBLE_EQ(std::stod(Attribute(html, at, "cx")), p.x);
        EXPECT_DOUBLE_EQ(std::stod(Attribute(html, at, "cy")), p.y);
    }
    EXPECT_EQ(marked, (std::vector<std::string>{"outside high 5", "outside low 7"}));
    const std::vector<std::string> row = StatisticsRow(html, 1);
    ASSERT_EQ(row.size(), 13U);
    EXPECT_EQ(row[1], "&lt;b&gt;&amp;&quot;");
    EXPECT_EQ(std::vector<std::string>(row.begin() + 2, row.begin() + 7),
              (std::vector<std::string>{"5", "-0.07", "0.06", "0.13", "-0.002"}));
    EXPECT_EQ(row[12], "2");
    EXPECT_EQ(StatisticsRow(html, 2)[3], "1.000");
    EXPECT_EQ(html.find("<b>&\""), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;"), std::string::npos);
    // Self-contained: nothing fetched from elsewhere.
    for (const char* outside : {"<script", "<link", "src=", "url(", "@import"}) {
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    }
}

TEST_F(Report, DamagedLinesAreCountedAndACutOffLastLineIsLeftOut) {
    // The cut-off "0.1" would parse, as a wrong reading.
    const std::string html =
        Html(kHeading + Row(0, 1, "0.50") + "garbage\r\n" + Row(1, 33, "0.50") + "\r\n" + Row(2, 1, "0.60") +
             std::string(100000, 'x') + "\n" + Row(3, 1, "0.70") + "2026-12-08T18:40:04.000+01:00,1,0.1,0.1");
    EXPECT_NE(html.find("<td id=\"rows\">3</td>"), std::string::npos);
    EXPECT_NE(html.find("<td id=\"rows-skipped\">3</td>"), std::string::npos);
    EXPECT_NE(html.find("the first is line 3"), std::string::npos);
    EXPECT_NE(html.find("cut off"), std::string::npos);
    EXPECT_EQ(Polylines(html)[1].size(), 3U);
    EXPECT_EQ(StatisticsRow(html, 1)[3], "0.50");  // min
}

// Pages that must still come out whole, with every coordinate finite and
// inside the plot.
TEST_F(Report, OddRecordingsGiveAWholePage) {
    const std::string capture = "part,time,channel,value_mm,displacement_mm,rate_per_s,judgement\r\n";
    struct Case {
        const char* name;
        std::string csv;
        size_t rows;
        std::vector<size_t> points;  // per plotted channel
        const char* shown;
    } cases[] = {
        {"empty", "", 0, {}, "The file is empty."},
        {"heading only", kHeading, 0, {}, "holds no readings"},
        {"heading without line end", "time,channel,displacement_mm", 0, {}, "holds no readings"},
        {"one row", kHeading + Row(5, 3, "1.23"), 1, {1}, "1 reading"},
        {"no spread", kHeading + Row(1, 3, "1.23") + Row(2, 3, "1.23") + Row(3, 3, "1.23"), 3, {3}, "<td>0.00</td>"},
        {"clock going back",
         kHeading + Row(30, 1, "0.01") + Row(10, 1, "0.02") + Row(20, 1, "0.03"),
         3,
         {3},
         "The clock went back once"},
        {"offset change",
         kHeading +
             "2026-10-25T02:59:59.000+02:00,1,0.01,0.01,5.0\r\n2026-10-25T02:00:01.000+01:00,1,0.02,0.02,5.0\r\n",
         2,
         {2},
         "UTC offset changes"},
        {"captures, a channel in some",
         capture + "1,2026-12-08T18:40:00.000+01:00,1,0.01,0.01,5.0,OK\r\n"
                   "1,2026-12-08T18:40:00.000+01:00,2,0.02,0.02,5.0,OK\r\n"
                   "2,2026-12-08T18:41:00.000+01:00,1,0.03,0.03,5.0,LOW\r\n"
                   "3,2026-12-08T18:42:00.000+01:00,1,0.04,0.04,5.0,\r\n",
         4,
         {3, 1},
         "<td id=\"captures\">3 (parts 1 to 3)</td>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string html = Html(c.csv);
        EXPECT_NE(html.find("<td id=\"rows\">" + std::to_string(c.rows) + "</td>"), std::string::npos);
        EXPECT_NE(html.find(c.shown), std::string::npos) << c.shown;
        std::vector<size_t> points;
        const std::vector<size_t> frames = Elements(html, "<rect class=\"frame\"");
        for (const auto& [channel, line] : Polylines(html)) {
            ASSERT_FALSE(frames.empty());
            const double left = std::stod(Attribute(html, frames[0], "x"));
            const double top = std::stod(Attribute(html, frames[0], "y"));
            const double right = left + std::stod(Attribute(html, frames[0], "width"));
            const double bottom = top + std::stod(Attribute(html, frames[0], "height"));
            points.push_back(line.size());
            for (const Point& p : line) {
                EXPECT_TRUE(p.x >= left && p.x <= right && p.y >= top && p.y <= bottom) << p.x << "," << p.y;
            }
        }
        EXPECT_EQ(points, c.points);
        for (const char* bad : {"nan", "inf"}) EXPECT_EQ(html.find(bad), std::string::npos) << bad;
        EXPECT_EQ(html.find("</html>"), html.size() - 8);
    }
}

TEST_F(Report, BigRecordingsAreDrawnWithBoundedPointsButCountedWhole) {
    std::string csv = kHeading;
    const int rows = 20000;
    for (int i = 0; i < rows; ++i) {
        const std::string time = Stamp(i * 50) + ",";
        // Channel 1: flat with one spike up and one down; channel 2: always high.
        const char* one = i == 12345 ? "0.50" : i == 777 ? "-0.40" : "0.00";
        csv += time + "1," + one + "," + one + ",5.0\r\n";
        csv += time + "2,0.30,0.30,5.0\r\n";
    }
    const std::string html = Html(csv, "1, 0, -0.40, 0.50\n2, 0, -0.05, 0.05\n");
    auto lines = Polylines(html);
    ASSERT_EQ(lines.size(), 2U);
    for (const auto& [channel, line] : lines) {
        EXPECT_LE(line.size(), 4U * report::kPlotColumns) << channel;
        EXPECT_GT(line.size(), static_cast<size_t>(report::kPlotColumns)) << channel;
    }
    // Both spikes survive: they sit on the limit lines.
    const auto [top, bottom] =
        std::minmax_element(lines[1].begin(), lines[1].end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    EXPECT_DOUBLE_EQ(top->y, LimitY(html, "upper"));
    EXPECT_DOUBLE_EQ(bottom->y, LimitY(html, "lower"));
    EXPECT_EQ(StatisticsRow(html, 1)[2], std::to_string(rows));
    EXPECT_EQ(StatisticsRow(html, 2)[12], std::to_string(rows));
    const std::string two = html.substr(html.find("id=\"channel-2\""));
    size_t circles = 0;
    for (size_t at = two.find("<circle"); at != std::string::npos; at = two.find("<circle", at + 1)) ++circles;
    EXPECT_EQ(circles, report::kMostMarkers);
    EXPECT_NE(html.find("20000 outside the limits (0 low, 20000 high), " + std::to_string(report::kMostMarkers) +
                        " of them marked"),
              std::string::npos);
}

TEST_F(Report, ALongCaptureRunListsItsEndsAndItsNokParts) {
    std::string csv = "part,part_id,time,channel,value_mm,displacement_mm,rate_per_s,part_verdict\r\n";
    for (int part = 1; part <= 300; ++part) {
        const bool nok = part == 120 || part == 200;
        csv += std::to_string(part) + ",\"S," + std::to_string(part) + "\"," + Stamp(part * 1000) +
               ",1,0.01,0.01,5.0," + (nok ? "NOK 1" : "OK") + "\r\n";
    }
    const std::string html = Html(csv);
    const std::string parts = html.substr(html.find("<table class=\"statistics parts\">"));
    std::vector<std::string> listed;
    for (const size_t at : Elements(parts, "<tr><td>"))
        listed.push_back(parts.substr(at + 8, parts.find('<', at + 8) - at - 8));
    std::vector<std::string> expected;
    for (int part = 1; part <= 300; ++part) {
        if (part <= 50 || part > 250 || part == 120 || part == 200) expected.push_back(std::to_string(part));
    }
    EXPECT_EQ(listed, expected);
    for (const char* gap : {"69 parts left out", "79 parts left out", "50 parts left out"})
        EXPECT_NE(parts.find(gap), std::string::npos) << gap;
    EXPECT_NE(parts.find("<td class=\"text\">S,120</td>"), std::string::npos);
}

TEST_F(Report, NamesTheReportAndReplacesAnOldOne) {
    const std::string csv = kHeading + Row(1, 4, "0.10");
    struct Case {
        const char* recording;
        std::vector<std::string> options;
        const char* report;
    } cases[] = {
        {"a.csv", {}, "a.html"},
        {"B.CSV", {}, "B.html"},
        {"c.txt", {}, "c.txt.html"},
        {"d.csv", {"-o", "@e.htm"}, "e.htm"},
        {"f.csv", {"--output=@g.html"}, "g.html"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {Write(c.recording, csv)};
        for (std::string option : c.options) {
            if (const size_t at = option.find('@'); at != std::string::npos) option.replace(at, 1, Path(""));
            args.push_back(option);
        }
        Write(c.report, "old");
        Write(std::string(c.report) + ".part", "left by a killed run");
        EXPECT_EQ(Run(args), 0) << c.recording << ": " << err_.str();
        EXPECT_EQ(out_.str(), "report: " + Path(c.report) + " (1 rows, 1 channels)\n");
        EXPECT_EQ(Read(Path(c.report)).rfind("<!DOCTYPE html>", 0), 0U) << c.report;
        EXPECT_FALSE(fs::exists(Path(c.report) + ".part"));
    }
}

TEST_F(Report, RefusesBadArgumentsAndBadFilesWithoutLeavingAReport) {
    const std::string good = Write("rec.csv", kHeading + Row(1, 1, "0.10"));
    Write("wrong.csv", "a,b,c\r\n" + Row(1, 1, "0.10"));
    Write("binary.csv", std::string(200000, '\0'));
    Write("bad-limits.txt", "1, 0.00, -0.05\n");
    Write("bad-control.csv",
          "channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within\n"
          "1,I-MR,1,0,-0.3,0.3,0.1,0,0.3,0.1\n2,I-MR,one,0,-0.3,0.3,0.1,0,0.3,0.1\n");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string said;
    } cases[] = {
        {{}, 2, "which recording"},
        {{good, Path("other.csv")}, 2, "one recording at a time"},
        {{good, "--bogus"}, 2, "unknown option --bogus"},
        {{good, "--limits"}, 2, "--limits needs a file name"},
        {{good, "-o", good}, 2, "would overwrite"},
        {{Path("missing.csv")}, 1, "cannot read"},
        {{Path("wrong.csv")}, 1, "not the heading of a recording"},
        {{Path("binary.csv")}, 1, "not the heading of a recording"},
        {{good, "--limits", Path("bad-limits.txt")}, 1, "bad-limits.txt, line 1"},
        {{good, "--limits", Path("no-limits.txt")}, 1, "cannot read the limits file"},
        {{good, "--subgroup", "0"}, 2, "--subgroup 0: expected 1 to 25 parts"},
        {{good, "--subgroup=26"}, 2, "--subgroup 26: expected 1 to 25 parts"},
        {{good, "--subgroup", "5x"}, 2, "--subgroup 5x: expected 1 to 25"},
        {{good, "--subgroup"}, 2, "--subgroup needs a number"},
        {{good, "--baseline", "1"}, 2, "--baseline 1: expected 2 or more"},
        {{good, "--rules", "shewhart"}, 2, "--rules shewhart: expected nelson or western-electric"},
        {{good, "--json", good}, 2, "would overwrite"},
        {{good, "-o", Path("r.html"), "--json", Path("r.html")}, 2, "name two files"},
        {{good, "--control-limits", Path("bad-control.csv")}, 1, "bad-control.csv, line 3"},
        // With the system's reason after the name.
        {{good, "-o", Path("no/such/folder/r.html")}, 1, "cannot write " + Path("no/such/folder/r.html") + ": "},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args) line += arg + " ";
        EXPECT_EQ(Run(c.args), c.code) << line;
        EXPECT_NE(err_.str().find(c.said), std::string::npos) << line << "\n" << err_.str();
        EXPECT_EQ(out_.str(), "") << line;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string ext = entry.path().extension().string();
            EXPECT_TRUE(ext != ".html" && ext != ".json" && ext != ".part") << entry.path();
        }
    }
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out_.str().find("usage: vexla-rec report FILE.csv"), std::string::npos);
}

TEST(ReportRanking, WorstPpkFirstAndThoseWithoutOneLast) {
    struct Case {
        std::vector<std::optional<double>> ppk;  // channels 1, 2, ...
        std::vector<int> ranked;
    } cases[] = {
        {{1.5, 0.8, 2.0}, {2, 1, 3}},           {{std::nullopt, 1.1, std::nullopt, -0.4}, {4, 2, 1, 3}},
        {{1.0, 1.0, 0.9}, {3, 1, 2}},  // a tie keeps the channels' order
        {{std::nullopt, std::nullopt}, {1, 2}}, {{}, {}},
    };
    for (const Case& c : cases) {
        std::vector<report::Characteristic> characteristics(c.ppk.size());
        for (size_t i = 0; i < c.ppk.size(); ++i) {
            characteristics[i].channel = static_cast<int>(i) + 1;
            characteristics[i].analysis.capability.ppk = c.ppk[i];
        }
        std::vector<int> ranked;
        for (const report::Characteristic* r : report::RankedByPpk(characteristics)) ranked.push_back(r->channel);
        EXPECT_EQ(ranked, c.ranked);
    }
}

TEST(ReportJson, EscapesTextsAndWritesNumbersThatReadBack) {
    const struct {
        std::string text;
        std::string json;
    } texts[] = {
        {"P-17", "\"P-17\""},
        {"lot \"7\", line 2", "\"lot \\\"7\\\", line 2\""},
        {"C:\\parts\\a", "\"C:\\\\parts\\\\a\""},
        {"a\nb\r\tc", "\"a\\nb\\r\\tc\""},
        {std::string("\0\x01\x1f", 3), "\"\\u0000\\u0001\\u001f\""},
        {"王工 Müller", "\"王工 Müller\""},  // UTF-8 as it is
        {"\xF0\x9F\x94\xA7", "\"\xF0\x9F\x94\xA7\""},
        // Not UTF-8 (a code page's bytes, a cut sequence, a surrogate): replaced.
        {"\xCD\xF5", "\"\\ufffd\\ufffd\""},
        {"ab\xE7\x8E", "\"ab\\ufffd\\ufffd\""},
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
    };
    for (const auto& t : texts) EXPECT_EQ(report::JsonString(t.text), t.json) << t.text;

    report::JsonWriter json;
    json.BeginObject().Key("values").BeginArray();
    for (const double v : {0.1, -0.006000000000000001, 1e-7, 2.0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()})
        json.Number(v);
    json.EndArray().Key("none").Number(std::optional<double>()).Key("empty").BeginObject().EndObject();
    json.Key("ok").Bool(true).EndObject();
    std::string compact;
    for (const char c : json.Text()) {
        if (c != ' ' && c != '\n') compact += c;
    }
    EXPECT_EQ(compact,
              "{\"values\":[0.1,-0.006000000000000001,1e-07,2,null,null],\"none\":null,\"empty\":{},\"ok\":true}");
}

}  // namespace
}  // namespace vexla::recorder
