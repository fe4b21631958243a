#pragma once
// The user-visible texts of the driver (UTF-8 here; the Windows view shows
// them through the wide-character functions).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexla::texts {

inline constexpr std::string_view kWebAddress = "vexla.example.com";
inline constexpr std::array<std::string_view, 3> kStatusCaptions = {"容栅位移检测网络 V3.95(支持无线)",
                                                                    "支持8×32通道数显千(百)分表系统", kWebAddress};
inline constexpr std::string_view kDesignCaption = "32通道容栅位移检测网络驱动 V3.2";

inline constexpr std::array<std::string_view, 6> kCommandItems = {"转快速状态,无需调零", "转标准状态,无需调零",
                                                                  "转快速状态,尝试调零", "转标准状态,尝试调零",
                                                                  "转保持状态,无需调零", "转保持状态,尝试调零"};
inline constexpr std::array<std::string_view, 5> kFormatItems = {"简易格式", "保留", "电脑呼叫的通用格式",
                                                                 "硬件呼叫的通用格式", "无线格式"};
inline constexpr std::array<std::string_view, 5> kSpeedItems = {"9600", "19200", "38400", "57600", "115200"};

inline constexpr std::array<std::string_view, 4> kStatusHeadings = {"提交次数", "串口查询", "有效数据", " 数据量 "};
inline constexpr std::string_view kSegmentHeadingSuffix = "段[总通道]";
inline constexpr std::string_view kValueHeading = "  液晶显示值";
inline constexpr std::string_view kRateHeading = "数据刷新率";
inline constexpr std::string_view kValueNeverSeen = " ------- ";
inline constexpr std::string_view kValueLost = " -------";
inline constexpr std::string_view kRateInitial = " 0.0次/秒";
inline constexpr std::string_view kRateUnit = "次/秒";
inline constexpr std::string_view kTrayHintPrefix = "数显表段(组)";

// The status page's line about the port.
inline std::string ConnectingLabel(int32_t port, int32_t speed) {
    return "串口：" + std::to_string(port) + "  ，速度：" + std::to_string(speed) + " 波特率";
}
inline std::string PortUnavailableLabel(int32_t port) {
    return "串口 Com" + std::to_string(port) + " 不能打开";
}
inline std::string PortLostLabel(int32_t port) {
    return "端口Com" + std::to_string(port) + "已经脱离";
}

}  // namespace vexla::texts
