#pragma once
// The control window's controls by identifier. Tests and tools find a
// control with GetDlgItem on its page (or on the window, for the top level).

namespace vexla::control_ids {

// Top level.
inline constexpr int kPanelLogo = 100;
inline constexpr int kLabel2 = 101;
inline constexpr int kPageControl1 = 102;
inline constexpr int kImageIcon = 103;

// The four pages: windows of their own inside the notebook.
inline constexpr int kTabSheet1 = 110;  // data list
inline constexpr int kTabSheet2 = 111;  // status monitor
inline constexpr int kTabSheetSetup = 112;
inline constexpr int kTabSheetValue = 113;
inline constexpr int kPage[4] = {kTabSheet1, kTabSheet2, kTabSheetSetup, kTabSheetValue};

// Data list page.
inline constexpr int kBfbStatusGrid = 200;
inline constexpr int kComboBoxCmd = 201;
inline constexpr int kSpBtnSendCmd = 202;
inline constexpr int kSpBtnZero = 203;

// Status page.
inline constexpr int kLabelSpeed = 300;
inline constexpr int kLabel_MaxBytes = 301;
inline constexpr int kStringGridStatus = 302;

// Format setup page.
inline constexpr int kLabel1 = 400;
inline constexpr int kCBoxDataFormat = 401;
inline constexpr int kLabel3 = 402;
inline constexpr int kCBoxComm = 403;
inline constexpr int kLabel4 = 404;
inline constexpr int kCBoxLinkSpeed = 405;

// Value processing page: two range lines, the filter depth, three decimals.
inline constexpr int kPanel1 = 500;
inline constexpr int kCheckBoxMoveNeg = 501;
inline constexpr int kSpinEditChN1 = 502;  // the number field; its spin buttons are + 100
inline constexpr int kRBtnDirF0 = 503;
inline constexpr int kRBtnDirB0 = 504;
inline constexpr int kPanel2 = 510;
inline constexpr int kCheckBoxNegDisp = 511;
inline constexpr int kSpinEditChN2 = 512;
inline constexpr int kRBtnDirF1 = 513;
inline constexpr int kRBtnDirB1 = 514;
inline constexpr int kLabel5 = 520;
inline constexpr int kSpinEditFillter = 521;
inline constexpr int kCBoxFloat3 = 522;
// The visible words of each range line, which a click on toggles the check box.
inline constexpr int kRangeWords1 = 530;  // "号及" of line 1
inline constexpr int kRangeTail1 = 531;   // "通道位移和显示取反"
inline constexpr int kRangeWords2 = 532;
inline constexpr int kRangeTail2 = 533;

inline constexpr int kSpinButtonsOffset = 100;

}  // namespace vexla::control_ids
