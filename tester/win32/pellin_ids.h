#pragma once
// Identifiers of the test window's controls (the tests find them by these).

namespace vexla::tester::ids {

// Text1(0..95): box i has the identifier kText1 + i.
inline constexpr int kText1 = 1000;
inline constexpr int kChannelLabels = 1200;  // "1#" .. "32#"
inline constexpr int kHeadings = 1300;       // three per block
inline constexpr int kOption1 = 100;         // 千分表
inline constexpr int kOption2 = 101;         // 百分表
inline constexpr int kCommand1 = 110;
inline constexpr int kCommand2 = 111;
inline constexpr int kTextChA = 120;
inline constexpr int kCommand3 = 121;
inline constexpr int kTextChB = 122;
inline constexpr int kCommand4 = 123;

}  // namespace vexla::tester::ids
