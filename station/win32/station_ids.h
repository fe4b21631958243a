#pragma once
// Identifiers of the station window's and the setup dialog's controls (the
// tests find them by these).

namespace vexla::station::ids {

inline constexpr int kTiles = 100;  // the board of every tile (its text: TileLinesText)
inline constexpr int kMasterBar = 140;
inline constexpr int kVerdict = 141;
inline constexpr int kCapture = 142;
inline constexpr int kPartIdLabel = 143;
inline constexpr int kPartId = 144;
inline constexpr int kBatchLabel = 145;
inline constexpr int kBatch = 146;
inline constexpr int kOperatorLabel = 147;
inline constexpr int kOperator = 148;
inline constexpr int kNewShift = 149;
inline constexpr int kParts = 150;
inline constexpr int kNokParts = 151;
inline constexpr int kYield = 152;
inline constexpr int kZeroOnMaster = 153;
inline constexpr int kReport = 154;
inline constexpr int kDriverWindow = 155;
inline constexpr int kSetup = 156;
inline constexpr int kChart = 157;
inline constexpr int kCapability = 158;  // the Ppk list, a text grid
inline constexpr int kStatusBar = 159;

// The setup dialog: each field follows its label.
inline constexpr int kSetupSegment = 201;
inline constexpr int kSetupChannels = 203;
inline constexpr int kSetupNames = 205;
inline constexpr int kSetupThousandths = 207;
inline constexpr int kSetupLimits = 209;
inline constexpr int kSetupLimitsBrowse = 210;
inline constexpr int kSetupWarning = 212;
inline constexpr int kSetupCaptureKey = 214;
inline constexpr int kSetupScanThenCapture = 215;
inline constexpr int kSetupMasterInterval = 217;
inline constexpr int kSetupRecords = 219;
inline constexpr int kSetupRecordsBrowse = 220;
inline constexpr int kSetupLanguage = 222;
// OK and Cancel are IDOK and IDCANCEL, as in any dialog.

// What a view's PVM_GETSTATE answers: the verdict these; the chart the
// points it marks as breaking a rule.
inline constexpr int kVerdictNone = 0;
inline constexpr int kVerdictOk = 1;
inline constexpr int kVerdictNok = 2;

}  // namespace vexla::station::ids
