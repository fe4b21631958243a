// The window's arithmetic: how tiles share the room, and the setup's texts
// for channel lists and names, both ways.

#include <gtest/gtest.h>

#include "base/whole_number.h"
#include "station_layout.h"

namespace vexla::station {
namespace {

TEST(StationLayout, TilesTakeTheLayoutThatMakesThemLargest) {
    const struct {
        int count, width, height;
        int columns, rows;
    } cases[] = {
        {1, 800, 500, 1, 1},  {8, 730, 500, 3, 3},  // 243x166 tiles hold larger numbers than 182x250 ones
        {8, 400, 900, 2, 4},  {7, 730, 500, 3, 3}, {32, 730, 550, 5, 7}, {32, 1500, 700, 7, 5},
        {12, 900, 560, 4, 3}, {2, 300, 600, 1, 2}, {3, 0, 500, 1, 1},  // no room: one column, nothing to divide
    };
    for (const auto& c : cases) {
        const TileGrid grid = TileGridFor(c.count, c.width, c.height);
        EXPECT_EQ(grid.columns, c.columns) << c.count << " in " << c.width << "x" << c.height;
        EXPECT_EQ(grid.rows, c.rows) << c.count << " in " << c.width << "x" << c.height;
        if (c.width > 0) {
            EXPECT_GE(grid.columns * grid.rows, c.count);
        }
    }
}

TEST(StationLayout, ChannelListsReadBackAsTheyWere) {
    const struct {
        uint32_t mask;
        const char* text;
    } cases[] = {
        {0xFFu, "1-8"},        {0x8FFu, "1-8,12"}, {0x1u, "1"}, {0x80000000u, "32"},
        {0xFFFFFFFFu, "1-32"}, {0x5u, "1,3"},      {0x0u, ""},  {0xC0000003u, "1-2,31-32"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChannelListText(c.mask), c.text);
        if (c.mask != 0) {
            EXPECT_EQ(ParseChannelList(c.text), c.mask) << c.text;
        }
    }
}

TEST(StationLayout, NamesReadFromTheDialogsLines) {
    std::array<std::string, quality::kChannels> names;
    names[0] = "孔深";
    names[11] = "outer diameter";
    const std::string text = NamesText(names);
    EXPECT_EQ(text, "1 = 孔深\r\n12 = outer diameter\r\n");
    const ParsedNames back = ParseNamesText(text);
    EXPECT_EQ(back.badLine, 0);
    EXPECT_EQ(back.names, names);

    const struct {
        const char* text;
        int badLine;
        int channel;
        const char* name;
    } cases[] = {
        {"  3 =  外径 \n", 0, 3, "外径"},
        {"\n\n5=a=b", 0, 5, "a=b"},
        {"7 =", 0, 7, ""},
        {"1 = a\nbore\n", 2, 0, ""},
        {"33 = x", 1, 0, ""},
        {"1 = a\r\n\r\n0 = b", 3, 0, ""},
        {"", 0, 0, ""},
    };
    for (const auto& c : cases) {
        const ParsedNames parsed = ParseNamesText(c.text);
        EXPECT_EQ(parsed.badLine, c.badLine) << c.text;
        if (c.channel > 0) {
            EXPECT_EQ(parsed.names[static_cast<std::size_t>(c.channel - 1)], c.name) << c.text;
        }
    }
}

}  // namespace
}  // namespace vexla::station
