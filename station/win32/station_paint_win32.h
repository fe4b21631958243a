#pragma once
// The station's pictures: a characteristic's tile, the part's verdict, the
// chart of the selected characteristic and the mastering bar, each drawn
// whole into the rectangle it is given.

#include <windows.h>

#include <string>

#include "station/model/station.h"

namespace vexla::station {

COLORREF TileFill(TileColour colour);

struct TileFonts {
    HFONT name = nullptr;
    HFONT value = nullptr;  // the largest text of the window
    HFONT small = nullptr;  // the limits under the bar
    // Their line heights, measured once for every tile (TileFontsOf).
    int nameHeight = 0;
    int valueHeight = 0;
    int smallHeight = 0;
};
TileFonts TileFontsOf(HDC dc, HFONT name, HFONT value, HFONT small);

struct TilePicture {
    std::wstring name;
    TileState state;
    std::wstring lower;  // the limits' texts, empty without limits
    std::wstring upper;
    std::wstring noSignal;
    bool selected = false;
};

void PaintTile(HDC dc, const RECT& room, const TilePicture& tile, const TileFonts& fonts);

struct VerdictPicture {
    enum class Kind { None, Ok, Nok } kind = Kind::None;
    std::wstring headline;  // OK / NOK, or what to do before the first part
    std::wstring detail;    // the characteristics outside and missing
    std::wstring part;      // its number and identity
};

void PaintVerdict(HDC dc, const RECT& room, const VerdictPicture& verdict, HFONT headline, HFONT text);

struct ChartPicture {
    ChartPanel panel;
    std::wstring heading;  // the characteristic and the chart's state
    bool broken = false;   // the heading in red
};

void PaintChart(HDC dc, const RECT& room, const ChartPicture& chart, HFONT heading, HFONT small);

void PaintBar(HDC dc, const RECT& room, const std::wstring& text, HFONT font);

}  // namespace vexla::station
