#pragma once
// The monitor's value grid: 19 columns by 11 rows in eight blocks of four
// channels. Each channel has a row and a base column b: its number in b, the
// gauge's display value in b + 1, the displacement in b + 2, the rate in
// b + 3; column b + 4 is a narrow spacer. Rows 0 and 6 carry the headings,
// row 5 is a thin separator.

#include <array>
#include <string>

namespace vexla::monitor {

inline constexpr int kChannels = 32;
inline constexpr int kGridColumns = 19;
inline constexpr int kGridRows = 11;
inline constexpr int kSeparatorRow = 5;
inline constexpr int kSeparatorRowHeight = 12;
// The grid's width in the window; the column widths derive from it.
inline constexpr int kGridWidth = 1001;

struct ChannelCells {
    int row = 0;
    int baseColumn = 0;
    int DisplayColumn() const { return baseColumn + 1; }
    int DisplacementColumn() const { return baseColumn + 2; }
    int RateColumn() const { return baseColumn + 3; }
};

// Channel index 0..31.
ChannelCells CellsOfChannel(int channel);

enum class CellKind { Heading, Separator, ChannelNumber, DisplayValue, Displacement, Rate, Spacer, Outside };

struct CellMeaning {
    CellKind kind = CellKind::Outside;
    int channel = -1;  // for the four kinds of a channel's row
};

// What the cell at (col, row) shows.
CellMeaning CellAt(int col, int row);

// Widths of the 19 columns for a grid W pixels wide (30, 80, 80, 50, 5, ...
// for W = 1001).
std::array<int, kGridColumns> ColumnWidths(int gridWidth);

// The widths made to hold what each column shows: a column narrower than
// its texts need is widened, first into the room the widths leave unused in
// a grid `gridWidth` wide, then with pixels from the columns that have more
// than they need (the most generous first). A column that cannot have its
// need keeps what it got; the total never passes `gridWidth`.
std::array<int, kGridColumns> FitColumnWidths(std::array<int, kGridColumns> widths,
                                              const std::array<int, kGridColumns>& needed, int gridWidth);

// The text a cell has when the window opens: the headings and the channel
// numbers (" 01" ... " 32"); every other cell is empty.
std::string InitialCellText(int col, int row);

// The channel number as two digits: "05", "29".
std::string TwoDigitChannelNumber(int channel);

}  // namespace vexla::monitor
