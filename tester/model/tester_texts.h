#pragma once
// The test program's user-visible texts (UTF-8 here; the window shows them
// through the wide-character functions).

#include <array>
#include <string_view>

namespace vexla::tester::texts {

inline constexpr std::string_view kCaptionStart = "容栅数显千分表/百分表通用 DLL演示程序";
inline constexpr std::string_view kMaker = "Vexla  vexla.example.com";
inline constexpr std::string_view kNoValueYet = "   ------   ";
inline constexpr std::array<std::string_view, 3> kHeadings = {"显示值", "位移值", " 更新率 [DLL交换]"};
inline constexpr std::string_view kThousandth = "千分表";
inline constexpr std::string_view kPercent = "百分表";
inline constexpr std::string_view kZeroAllDisplacements = "全部位移重置";
inline constexpr std::string_view kZeroAllGauges = "全部硬件重置";
inline constexpr std::string_view kZeroChannelDisplacement = "#通道位移重置";
inline constexpr std::string_view kZeroChannelGauge = "#通道硬件重置";
inline constexpr std::string_view kDefaultChannel = "15";
inline constexpr std::string_view kRateUnit = "次/秒";
inline constexpr std::string_view kDataLost = "数据脱离 ";
inline constexpr std::string_view kMillimetres = " mm";

}  // namespace vexla::tester::texts
