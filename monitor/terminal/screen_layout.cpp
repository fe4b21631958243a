#include "screen_layout.h"

#include <algorithm>

namespace vexla::monitor::terminal {

namespace {

// The arrangements tried, widest first.
constexpr int kArrangements[] = {4, 2};
constexpr int kBlocksPerHalf = 4;
constexpr int kChannelsPerBlock = 4;

int ColumnOffset(int kind) {
    int x = 0;
    for (int k = 0; k < kind; ++k) x += kColumnCells[static_cast<std::size_t>(k)] + kColumnGap;
    return x;
}

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

}  // namespace

ScreenLayout ScreenLayout::For(Size screen) {
    for (int across : kArrangements) {
        const Size needed = NeededFor(across);
        if (screen.width >= needed.width && screen.height >= needed.height) return ScreenLayout(across);
    }
    return ScreenLayout(0);
}

Size ScreenLayout::Minimum() {
    Size smallest = NeededFor(kArrangements[0]);
    for (int across : kArrangements) {
        const Size s = NeededFor(across);
        if (s.width * s.height < smallest.width * smallest.height) smallest = s;
    }
    return smallest;
}

Size ScreenLayout::NeededFor(int across) {
    const ScreenLayout layout(across);
    return {std::max(layout.GridCells(), kTextCells) + 2 * kMargin, kLinesAbove + layout.GridLines() + kLinesBelow};
}

Size ScreenLayout::Needed() const {
    return Fits() ? NeededFor(across_) : Minimum();
}

int ScreenLayout::HalfLines() const {
    return 1 + kBlocksPerHalf / across_ * kChannelsPerBlock;
}

int ScreenLayout::GridLines() const {
    return Fits() ? 2 * HalfLines() + 1 : 0;
}

int ScreenLayout::GridCells() const {
    return Fits() ? across_ * kBlockCells + (across_ - 1) * kBlockGap : 0;
}

std::vector<int> ScreenLayout::RuleColumns() const {
    std::vector<int> columns;
    for (int i = 1; i < across_; ++i) columns.push_back(Left() + i * kBlockCells + (i - 1) * kBlockGap + 1);
    return columns;
}

Placement ScreenLayout::Place(CellRef cell) const {
    if (!Fits()) return {};
    const CellKind kind = vexla::monitor::CellAt(cell.col, cell.row).kind;
    if (kind != CellKind::Heading && !IsChannelKind(kind)) return {};
    const GridPosition p = PositionOf(cell);
    const int stack = p.blockInHalf / across_;
    const int column = p.blockInHalf % across_;
    // One heading line per half, as in the window: the blocks stacked below
    // the first row of a half share it.
    if (kind == CellKind::Heading && stack != 0) return {};
    int y = GridTop() + p.half * (HalfLines() + 1);
    if (kind != CellKind::Heading) y += 1 + stack * kChannelsPerBlock + (p.line - 1);
    const int x = Left() + column * (kBlockCells + kBlockGap) + ColumnOffset(p.kind);
    return {true, y, x, kColumnCells[static_cast<std::size_t>(p.kind)]};
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
    // The channel cells form a matrix on the screen: 4 columns per block
    // across, 4 lines per block down.
    const int columns = across_ * 4;
    const int rowsPerHalf = kBlocksPerHalf / across_ * kChannelsPerBlock;
    const CellKind kind = vexla::monitor::CellAt(from.col, from.row).kind;
    const GridPosition p = PositionOf(from);
    int mx = 1;  // channel 1's display value
    int my = 0;
    bool move = true;
    if (IsChannelKind(kind) || kind == CellKind::Heading) {
        const int stack = p.blockInHalf / across_;
        mx = (p.blockInHalf % across_) * 4 + p.kind;
        my = p.half * rowsPerHalf + stack * kChannelsPerBlock + (kind == CellKind::Heading ? 0 : p.line - 1);
        move = kind != CellKind::Heading;
    }
    if (move) {
        mx = std::clamp(mx + dx, 0, columns - 1);
        my = std::clamp(my + dy, 0, 2 * rowsPerHalf - 1);
    }
    const int half = my / rowsPerHalf;
    const int stack = my % rowsPerHalf / kChannelsPerBlock;
    const int line = my % kChannelsPerBlock + 1;
    const int blockInHalf = stack * across_ + mx / 4;
    return {blockInHalf * 5 + mx % 4, half * 6 + line};
}

}  // namespace vexla::monitor::terminal
