#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "channels/long_to_string.h"

namespace vexla {
namespace {

TEST(Long2String, WritesRightAlignedFixedWidthText) {
    struct Case {
        int32_t value;
        uint8_t decimals;
        uint8_t length;
        std::string expected;  // all `length` bytes; '\0' shown as is
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {123, 0, 4, "123\0"s},
        {12345, 0, 4, "****"s},
        {12345, 3, 13, "      12.345\0"s},
        {7, 3, 6, "0.007\0"s},
        {-5, 2, 6, "-0.05\0"s},
        {-5, 0, 3, "-5\0"s},
        {0, 0, 2, "0\0"s},
        {0, 4, 8, " 0.0000\0"s},
        {-12345, 4, 11, "   -1.2345\0"s},
        {INT32_MIN, 0, 12, "-2147483648\0"s},
        {INT32_MIN, 0, 11, "***********"s},
        {INT32_MIN, 3, 13, "-2147483.648\0"s},
        {INT32_MAX, 4, 13, " 214748.3647\0"s},
        {1, 255, 255, std::string(255, '*')},     // 257 characters never fit
        {5, 1, 3, "0.5"s.substr(0, 0) + "***"s},  // "0.5" needs three characters plus NUL
    };
    for (const Case& c : cases) {
        std::string buffer(c.length + 2u, '#');  // guard bytes after the buffer
        Long2String(c.value, c.decimals, buffer.data(), c.length);
        EXPECT_EQ(buffer.substr(0, c.length), c.expected) << c.value << " / " << int(c.decimals);
        EXPECT_EQ(buffer.substr(c.length), "##") << "wrote past the buffer";
    }
}

TEST(Long2String, WritesNothingForTooShortBuffers) {
    char b[4] = {'#', '#', '#', '#'};
    Long2String(5, 0, b, 1);
    Long2String(5, 0, b, 0);
    EXPECT_EQ(std::string(b, 4), "####");
    Long2String(5, 0, nullptr, 10);
}

}  // namespace
}  // namespace vexla
