#include "screen_layout.h"

#include <algorithm>

namespace vexla::monitor::terminal {

namespace {

// The arrangements tried, widest first.
constexpr int kArrangements[] = {4, 2};
constexpr int kBlocksPerHalf = 4;
constexpr int kChannelsPerBlock = 4;

// The model's columns b .. b + 3 of a block.
constexpr Column kModelColumns[] = {Column::Number, Column::Value, Column::Displacement, Column::Rate};

// Where a model cell sits among the blocks, whatever its kind.
struct GridPosition {
    int half = 0;         // 0: channels 1-16, 1: 17-32
    int blockInHalf = 0;  // 0..3, left to right in the window
    int kind = 0;         // 0..3: number, display, displacement, rate
    int line = 0;         // 0: heading, 1..4: a channel
};

GridPosition PositionOf(CellRef cell) {
    return {cell.row / 6, cell.col / 5, cell.col % 5, cell.row % 6};
}

bool IsChannelKind(CellKind kind) {
    return kind == CellKind::ChannelNumber || kind == CellKind::DisplayValue || kind == CellKind::Displacement ||
           kind == CellKind::Rate;
}

// The model's kinds (0..3) that the view shows, left to right.
std::vector<int> ModelKindsOf(View view) {
    std::vector<int> kinds;
    for (const BlockColumn& entry : ColumnsOf(view)) {
        for (int k = 0; k < 4; ++k)
            if (kModelColumns[k] == entry.column) kinds.push_back(k);
    }
    return kinds;
}

}  // namespace

std::span<const BlockColumn> ColumnsOf(View view) {
    if (view == View::Statistics) return kStatisticColumns;
    if (view == View::Charts) return kChartColumns;
    return kReadingColumns;
}

int BlockCells(View view) {
    int cells = -kColumnGap;
    for (const BlockColumn& entry : ColumnsOf(view)) cells += entry.cells + kColumnGap;
    return cells;
}

ScreenLayout ScreenLayout::For(Size screen, View view) {
    for (int across : kArrangements) {
        const Size needed = NeededFor(across, view);
        if (screen.width >= needed.width && screen.height >= needed.height) return ScreenLayout(across, view);
    }
    return ScreenLayout(0, view);
}

Size ScreenLayout::Minimum(View view) {
    Size smallest = NeededFor(kArrangements[0], view);
    for (int across : kArrangements) {
        const Size s = NeededFor(across, view);
        if (s.width * s.height < smallest.width * smallest.height) smallest = s;
    }
    return smallest;
}

Size ScreenLayout::NeededFor(int across, View view) {
    const ScreenLayout layout(across, view);
    return {std::max(layout.GridCells(), kTextCells) + 2 * kMargin, kLinesAbove + layout.GridLines() + kLinesBelow};
}

Size ScreenLayout::Needed() const {
    return Fits() ? NeededFor(across_, view_) : Minimum(view_);
}

int ScreenLayout::HalfLines() const {
    return 1 + kBlocksPerHalf / across_ * kChannelsPerBlock;
}

int ScreenLayout::GridLines() const {
    return Fits() ? 2 * HalfLines() + 1 : 0;
}

int ScreenLayout::GridCells() const {
    return Fits() ? across_ * BlockCells(view_) + (across_ - 1) * kBlockGap : 0;
}

std::vector<int> ScreenLayout::RuleColumns() const {
    std::vector<int> columns;
    for (int i = 1; i < across_; ++i) columns.push_back(Left() + i * BlockCells(view_) + (i - 1) * kBlockGap + 1);
    return columns;
}

int ScreenLayout::IndexOf(Column column) const {
    const std::span<const BlockColumn> columns = ColumnsOf(view_);
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].column == column) return static_cast<int>(i);
    return -1;
}

Placement ScreenLayout::PlaceAt(int half, int blockInHalf, int line, Column column) const {
    const int index = IndexOf(column);
    if (!Fits() || index < 0) return {};
    const int stack = blockInHalf / across_;
    // One heading line per half, as in the window: the blocks stacked below
    // the first row of a half share it.
    if (line == 0 && stack != 0) return {};
    int y = GridTop() + half * (HalfLines() + 1);
    if (line != 0) y += 1 + stack * kChannelsPerBlock + (line - 1);
    int x = Left() + blockInHalf % across_ * (BlockCells(view_) + kBlockGap);
    const std::span<const BlockColumn> columns = ColumnsOf(view_);
    for (int k = 0; k < index; ++k) x += columns[static_cast<std::size_t>(k)].cells + kColumnGap;
    return {true, y, x, columns[static_cast<std::size_t>(index)].cells};
}

Placement ScreenLayout::Place(CellRef cell) const {
    const CellKind kind = vexla::monitor::CellAt(cell.col, cell.row).kind;
    if (kind != CellKind::Heading && !IsChannelKind(kind)) return {};
    const GridPosition p = PositionOf(cell);
    return PlaceAt(p.half, p.blockInHalf, p.line, kModelColumns[p.kind]);
}

Placement ScreenLayout::Place(int channel, Column column) const {
    if (channel < 0 || channel >= kChannels) return {};
    const ChannelCells cells = CellsOfChannel(channel);
    const GridPosition p = PositionOf({cells.baseColumn, cells.row});
    return PlaceAt(p.half, p.blockInHalf, p.line, column);
}

Placement ScreenLayout::PlaceHeading(int channel, Column column) const {
    if (channel < 0 || channel >= kChannels) return {};
    const ChannelCells cells = CellsOfChannel(channel);
    const GridPosition p = PositionOf({cells.baseColumn, cells.row});
    return PlaceAt(p.half, p.blockInHalf, 0, column);
}

std::optional<CellRef> ScreenLayout::CellUnder(int y, int x) const {
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) {
            const Placement p = Place({col, row});
            if (p.shown && p.y == y && x >= p.x && x < p.x + p.width) return CellRef{col, row};
        }
    }
    return std::nullopt;
}

CellRef ScreenLayout::Move(CellRef from, int dx, int dy) const {
    if (!Fits()) return from;
    // The channel cells the view shows form a matrix on the screen: so many
    // columns per block across, 4 lines per block down.
    const std::vector<int> kinds = ModelKindsOf(view_);
    const int perBlock = static_cast<int>(kinds.size());
    const int columns = across_ * perBlock;
    const int rowsPerHalf = kBlocksPerHalf / across_ * kChannelsPerBlock;
    const CellKind kind = vexla::monitor::CellAt(from.col, from.row).kind;
    const GridPosition p = PositionOf(from);
    int mx = 1;  // channel 1's second column
    int my = 0;
    bool move = true;
    if (IsChannelKind(kind) || kind == CellKind::Heading) {
        const int stack = p.blockInHalf / across_;
        auto index = std::find(kinds.begin(), kinds.end(), p.kind) - kinds.begin();
        move = kind != CellKind::Heading;
        if (index == perBlock) {
            index = std::find(kinds.begin(), kinds.end(), 2) - kinds.begin();
            move = false;
        }
        mx = (p.blockInHalf % across_) * perBlock + static_cast<int>(index);
        my = p.half * rowsPerHalf + stack * kChannelsPerBlock + (kind == CellKind::Heading ? 0 : p.line - 1);
    }
    if (move) {
        mx = std::clamp(mx + dx, 0, columns - 1);
        my = std::clamp(my + dy, 0, 2 * rowsPerHalf - 1);
    }
    const int half = my / rowsPerHalf;
    const int stack = my % rowsPerHalf / kChannelsPerBlock;
    const int line = my % kChannelsPerBlock + 1;
    const int blockInHalf = stack * across_ + mx / perBlock;
    return {blockInHalf * 5 + kinds[static_cast<std::size_t>(mx % perBlock)], half * 6 + line};
}

}  // namespace vexla::monitor::terminal
