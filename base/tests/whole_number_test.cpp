#include <gtest/gtest.h>

#include "base/whole_number.h"

namespace vexla {
namespace {

TEST(WholeNumber, DigitsOnlyWithinTheRange) {
    const struct {
        const char* text;
        std::optional<int64_t> expected;
    } cases[] = {
        {"0", 0},   {"007", 7}, {"999", 999}, {"1000", {}}, {"", {}},
        {"-0", {}}, {"+1", {}}, {" 1", {}},   {"1x", {}},   {"999999999999999999", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseWholeNumber(c.text, 0, 999), c.expected) << c.text;
    EXPECT_EQ(ParseWholeNumber("999999999999999999", 0, INT64_MAX), 999999999999999999);
    EXPECT_EQ(ParseWholeNumber("1000000000000000000", 0, INT64_MAX), std::nullopt);  // 19 digits
}

TEST(ChannelList, RangesAndSinglesAsAMask) {
    const struct {
        const char* text;
        std::optional<uint32_t> mask;
    } cases[] = {
        {"1-8,12", 0xFFu | 1u << 11},
        {"32", 1u << 31},
        {"1-32", 0xFFFFFFFFu},
        {"3,3,2-3", 0b110u},
        {"5-5", 1u << 4},
        {"0-4", {}},
        {"1-33", {}},
        {"8-1", {}},
        {"1,,2", {}},
        {"1,2,", {}},
        {"", {}},
        {"1-", {}},
        {"-3", {}},
        {"1-2-3", {}},
        {" 1", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseChannelList(c.text), c.mask) << c.text;
}

}  // namespace
}  // namespace vexla
