#pragma once
// The monitor's user-visible texts (UTF-8 here; each view converts them for
// its screen).

#include <array>
#include <string_view>

namespace vexla::monitor::texts {

// The application's title: the caption of any message box the program shows,
// and, as the version resource's description (monitor/win32/CMakeLists.txt
// writes it there too), the name Windows gives the program's taskbar group.
inline constexpr std::string_view kApplicationTitle = "32通道位移监视";
inline constexpr std::string_view kCaption = "32通道 数显百分表位移测量 远程监视系统   V1.325";

inline constexpr std::array<std::string_view, 4> kBlockHeadings = {"编号", "仪表显示(mm)", "位移结果(mm)", "传输率"};

inline constexpr std::string_view kHardwareTypeGroup = "容栅硬件类型";
inline constexpr std::array<std::string_view, 2> kHardwareTypes = {"百分表", "千分表"};
inline constexpr std::string_view kDisplayModeGroup = "电脑显示方式";
inline constexpr std::array<std::string_view, 3> kDisplayModes = {"标准方式", "增加半位", "增加一位"};

inline constexpr std::string_view kValueGroup = "数值处理";
inline constexpr std::string_view kZeroAll = "全部位移归零";
inline constexpr std::string_view kHardwareGroup = "硬件控制";
inline constexpr std::string_view kZeroFast = "调零变快";
inline constexpr std::string_view kZeroSlow = "调零变慢";
inline constexpr std::string_view kDriverWindowGroup = "DLL_窗口";
inline constexpr std::string_view kShowDriverWindow = "显  示";
inline constexpr std::string_view kHideDriverWindow = "关  闭";

inline constexpr std::string_view kDisplayZeroSuffix = "#通道 显示归零";
inline constexpr std::string_view kDisplacementZeroSuffix = "#通道 位移归零";

inline constexpr std::string_view kDroppedOut = "已脱离";
inline constexpr std::string_view kRateUnit = "次";

// The status bar's second panel: who makes the program and where to find us.
inline constexpr std::string_view kMakerPanel = "Vexla  vexla.example.com";

}  // namespace vexla::monitor::texts
