#pragma once
// Identifiers of the monitor window's controls (the tests find them by these).

namespace vexla::monitor::ids {

inline constexpr int kStringGridData = 100;
inline constexpr int kRadioGroupHWType = 110;  // the group box; its items follow
inline constexpr int kHWTypeFirstItem = 111;
inline constexpr int kRadioGroupDisplayType = 120;
inline constexpr int kDisplayTypeFirstItem = 121;
inline constexpr int kGroupBox2 = 130;
inline constexpr int kSpBtnDataZero = 131;
inline constexpr int kSPBtnSigleCtrl = 132;
inline constexpr int kGroupBoxHWCtrl = 140;
inline constexpr int kSpBtnFastZero = 141;
inline constexpr int kSpBtnStdZero = 142;
inline constexpr int kGauge1 = 143;
inline constexpr int kGroupBox3 = 150;
inline constexpr int kSpBtnShowDLL = 151;
inline constexpr int kSpBtnHideDLL = 152;
inline constexpr int kStatusBar1 = 160;

}  // namespace vexla::monitor::ids
