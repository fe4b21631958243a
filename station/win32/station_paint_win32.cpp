#include "station_paint_win32.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/win32/wide_text.h"
#include "ui/win32/gdi.h"

namespace vexla::station {
namespace {

constexpr COLORREF kGreen = RGB(38, 150, 64);
constexpr COLORREF kAmber = RGB(245, 170, 20);
constexpr COLORREF kRed = RGB(205, 40, 40);
constexpr COLORREF kGrey = RGB(140, 140, 140);
constexpr COLORREF kInk = RGB(20, 20, 20);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPaper = RGB(250, 250, 250);
constexpr COLORREF kBlue = RGB(30, 80, 200);

// Text that must read on the colour: dark on amber, white on the others.
COLORREF InkOn(COLORREF fill) {
    return fill == kAmber ? kInk : kWhite;
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);  // the cheapest solid fill
}

void Text(HDC dc, const std::wstring& text, RECT r, UINT format, HFONT font, COLORREF colour) {
    const ui::SelectedObject chosen(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
}

// One line at a point, clipped to `clip`: no measuring pass, as DrawText makes.
void Say(HDC dc, const std::wstring& text, int x, int y, UINT align, const RECT& clip, HFONT font, COLORREF colour) {
    const ui::SelectedObject chosen(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, align | TA_TOP | TA_NOUPDATECP);
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

int TextHeight(HDC dc, HFONT font) {
    const ui::SelectedObject chosen(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return metrics.tmHeight;
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void Triangle(HDC dc, POINT a, POINT b, POINT c, COLORREF colour) {
    const ui::GdiBrush brush(CreateSolidBrush(colour));
    const ui::SelectedObject chosenBrush(dc, brush.Get());
    const ui::SelectedObject chosenPen(dc, GetStockObject(NULL_PEN));
    const std::array<POINT, 3> points{a, b, c};
    Polygon(dc, points.data(), 3);
}

}  // namespace

TileFonts TileFontsOf(HDC dc, HFONT name, HFONT value, HFONT small) {
    return {name, value, small, TextHeight(dc, name), TextHeight(dc, value), TextHeight(dc, small)};
}

COLORREF TileFill(TileColour colour) {
    switch (colour) {
        case TileColour::Green:
            return kGreen;
        case TileColour::Amber:
            return kAmber;
        case TileColour::Red:
            return kRed;
        case TileColour::Grey:
            break;
    }
    return kGrey;
}

void PaintTile(HDC dc, const RECT& room, const TilePicture& tile, const TileFonts& fonts) {
    const COLORREF fill = TileFill(tile.state.colour);
    const COLORREF ink = InkOn(fill);
    Fill(dc, room, fill);
    const int height = room.bottom - room.top;
    const int pad = std::max(3, height / 24);
    const int nameHeight = fonts.nameHeight;
    const int smallHeight = fonts.smallHeight;

    RECT name{room.left + pad, room.top + pad / 2, room.right - pad, room.top + pad / 2 + nameHeight};
    Say(dc, tile.name, name.left, name.top, TA_LEFT, name, fonts.name, ink);

    // The bar and its limits take the bottom; the number the middle.
    const bool bar = tile.state.marker.has_value();
    const int barHeight = std::max(6, height / 14);
    const int barBottom = room.bottom - pad - smallHeight;
    const int barTop = barBottom - barHeight;
    RECT value{room.left + pad, name.bottom, room.right - pad, bar ? barTop - pad / 2 : room.bottom - pad};
    const int middle = (value.left + value.right) / 2;
    if (tile.state.silent)
        Say(dc, tile.noSignal, middle, (value.top + value.bottom - nameHeight) / 2, TA_CENTER, value, fonts.name, ink);
    else
        Say(dc, Widen(tile.state.value), middle, (value.top + value.bottom - fonts.valueHeight) / 2, TA_CENTER, value,
            fonts.value, ink);

    if (bar) {
        // Room at both ends for the arrow of a value beyond the bar.
        const int arrow = barHeight;
        const int left = room.left + pad + arrow;
        const int right = room.right - pad - arrow;
        const RECT track{left, barTop, right, barBottom};
        Fill(dc, track, kWhite);
        FrameRect(dc, &track, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        const auto at = [&](double place) { return left + static_cast<int>(std::lround(place * (right - left - 1))); };
        // The DC's own pen in a colour: no pen made and deleted per tile.
        const ui::SelectedObject pen(dc, GetStockObject(DC_PEN));
        SetDCPenColor(dc, kInk);
        if (tile.state.nominal) {
            const int x = at(*tile.state.nominal);
            Line(dc, x, barTop - barHeight / 2, x, barBottom + barHeight / 2);
        }
        const int x = at(*tile.state.marker);
        const int half = std::max(2, barHeight / 3);
        const RECT marker{x - half, barTop - 2, x + half + 1, barBottom + 2};
        Fill(dc, marker, kInk);
        if (tile.state.beyondBar) {
            const int mid = (barTop + barBottom) / 2;
            if (*tile.state.marker <= 0.5)
                Triangle(dc, {left - 1, barTop - 2}, {left - 1, barBottom + 2}, {left - arrow, mid}, kInk);
            else
                Triangle(dc, {right, barTop - 2}, {right, barBottom + 2}, {right + arrow - 1, mid}, kInk);
        }
        const RECT limits{room.left + pad, barBottom + 1, room.right - pad, barBottom + 1 + smallHeight};
        Say(dc, tile.lower, limits.left, limits.top, TA_LEFT, limits, fonts.small, ink);
        Say(dc, tile.upper, limits.right, limits.top, TA_RIGHT, limits, fonts.small, ink);
    }
    if (tile.selected) {
        // A frame the width of the padding: which tile the chart shows.
        const ui::GdiBrush frame(CreateSolidBrush(RGB(20, 40, 120)));
        RECT edge = room;
        for (int i = 0; i < std::max(2, pad / 2); ++i) {
            FrameRect(dc, &edge, frame.Get());
            InflateRect(&edge, -1, -1);
        }
    }
}

void PaintVerdict(HDC dc, const RECT& room, const VerdictPicture& verdict, HFONT headline, HFONT text) {
    using Kind = VerdictPicture::Kind;
    const COLORREF fill = verdict.kind == Kind::Ok ? kGreen : verdict.kind == Kind::Nok ? kRed : kPaper;
    const COLORREF ink = verdict.kind == Kind::None ? kInk : kWhite;
    Fill(dc, room, fill);
    FrameRect(dc, &room, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const int pad = 6;
    const int line = TextHeight(dc, text);
    RECT part{room.left + pad, room.top + pad / 2, room.right - pad, room.top + pad / 2 + line};
    Text(dc, verdict.part, part, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS, text, ink);
    if (verdict.kind == Kind::None) {
        RECT middle{room.left + pad, part.bottom, room.right - pad, room.bottom - pad};
        Text(dc, verdict.headline, middle, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, text, ink);
        return;
    }
    // NOK keeps two lines below its headline for what failed.
    const int detailLines = verdict.detail.empty() ? 0 : 2;
    RECT head{room.left + pad, part.bottom, room.right - pad, room.bottom - pad - detailLines * line};
    Text(dc, verdict.headline, head, DT_CENTER | DT_VCENTER | DT_SINGLELINE, headline, ink);
    if (detailLines > 0) {
        RECT detail{room.left + pad, head.bottom, room.right - pad, room.bottom - pad / 2};
        Text(dc, verdict.detail, detail, DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS | DT_EDITCONTROL, text, ink);
    }
}

namespace {

// One of the chart's two plots: values over the last parts, with its lines.
struct Plot {
    RECT area;
    double low;
    double high;
    int slots;

    int X(std::size_t index) const {
        const int width = area.right - area.left;
        return area.left + static_cast<int>((static_cast<double>(index) + 0.5) * width / slots);
    }
    int Y(double value) const {
        const double span = high - low;
        const double place = span > 0 ? (value - low) / span : 0.5;
        return area.bottom - 1 - static_cast<int>(std::lround(place * (area.bottom - area.top - 1)));
    }
};

void Range(double value, double& low, double& high) {
    low = std::min(low, value);
    high = std::max(high, value);
}

void HorizontalLine(HDC dc, const Plot& plot, double value, int style, COLORREF colour, HFONT font,
                    const std::wstring& label) {
    const ui::GdiPen line(CreatePen(style, 1, colour));
    const ui::SelectedObject pen(dc, line.Get());
    SetBkMode(dc, TRANSPARENT);
    const int y = plot.Y(value);
    Line(dc, plot.area.left, y, plot.area.right, y);
    // The label in the margin on the left, centred on its line.
    const int height = TextHeight(dc, font);
    RECT r{0, y - height / 2, plot.area.left - 3, y + height / 2 + 1};
    Text(dc, label, r, DT_RIGHT | DT_SINGLELINE, font, colour);
}

void PlotPoints(HDC dc, const Plot& plot, const std::vector<std::optional<double>>& values,
                const std::vector<bool>& broken) {
    const ui::GdiPen line(CreatePen(PS_SOLID, 1, kBlue));
    const ui::SelectedObject pen(dc, line.Get());
    bool drawing = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) {
            drawing = false;
            continue;
        }
        const int x = plot.X(i);
        const int y = plot.Y(*values[i]);
        if (drawing)
            LineTo(dc, x, y);
        else
            MoveToEx(dc, x, y, nullptr);
        drawing = true;
    }
    const ui::GdiBrush blue(CreateSolidBrush(kBlue));
    const ui::GdiBrush red(CreateSolidBrush(kRed));
    const ui::SelectedObject noPen(dc, GetStockObject(NULL_PEN));
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) continue;
        const int x = plot.X(i);
        const int y = plot.Y(*values[i]);
        // A point that breaks a rule stands out by its colour and size.
        const int r = broken[i] ? 4 : 3;
        const ui::SelectedObject brush(dc, broken[i] ? red.Get() : blue.Get());
        Ellipse(dc, x - r, y - r, x + r + 1, y + r + 1);
    }
}

std::wstring Number(double value) {
    return Widen(quality::DecimalText(value, 3));
}

}  // namespace

void PaintChart(HDC dc, const RECT& room, const ChartPicture& chart, HFONT heading, HFONT small) {
    Fill(dc, room, kWhite);
    FrameRect(dc, &room, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const int pad = 6;
    const int headingHeight = TextHeight(dc, heading);
    RECT title{room.left + pad, room.top + pad / 2, room.right - pad, room.top + pad / 2 + headingHeight};
    Text(dc, chart.heading, title, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS, heading, chart.broken ? kRed : kInk);

    const ChartPanel& panel = chart.panel;
    const int margin = 64;  // the lines' values stand left of the plots
    const int top = title.bottom + pad;
    const int bottom = room.bottom - pad;
    if (bottom - top < 40) return;
    const int split = top + (bottom - top) * 62 / 100;
    Plot individuals{{room.left + margin, top, room.right - pad, split - pad}, 0, 0, kChartParts};
    Plot ranges{{room.left + margin, split + pad, room.right - pad, bottom}, 0, 0, kChartParts};

    std::vector<std::optional<double>> values, movingRanges;
    std::vector<bool> locationBroken, spreadBroken;
    double low = 1e300, high = -1e300, rangeHigh = 0;
    for (const ChartPanel::Point& p : panel.points) {
        values.emplace_back(p.value);
        movingRanges.push_back(p.movingRange);
        locationBroken.push_back(p.locationBroken);
        spreadBroken.push_back(p.spreadBroken);
        Range(p.value, low, high);
        if (p.movingRange) rangeHigh = std::max(rangeHigh, *p.movingRange);
    }
    if (panel.limits) {
        Range(panel.limits->location.lower, low, high);
        Range(panel.limits->location.upper, low, high);
        rangeHigh = std::max(rangeHigh, panel.limits->spread.upper);
    }
    for (const Plot* plot : {&individuals, &ranges}) {
        const RECT& a = plot->area;
        Fill(dc, a, kPaper);
        FrameRect(dc, &a, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    }
    if (values.empty()) return;
    // A little room above and below, and a span even for equal values.
    const double span = std::max(high - low, 0.002);
    individuals.low = low - span * 0.08;
    individuals.high = high + span * 0.08;
    ranges.low = 0;
    ranges.high = std::max(rangeHigh, 0.001) * 1.1;

    Text(dc, L"I", {room.left + pad, individuals.area.top, room.left + margin, individuals.area.top + 40},
         DT_LEFT | DT_SINGLELINE, small, kInk);
    Text(dc, L"MR", {room.left + pad, ranges.area.top, room.left + margin, ranges.area.top + 40},
         DT_LEFT | DT_SINGLELINE, small, kInk);
    if (panel.limits) {
        const quality::ControlLimits& limits = *panel.limits;
        HorizontalLine(dc, individuals, limits.location.centre, PS_SOLID, kGreen, small,
                       Number(limits.location.centre));
        HorizontalLine(dc, individuals, limits.location.upper, PS_DASH, kRed, small, Number(limits.location.upper));
        HorizontalLine(dc, individuals, limits.location.lower, PS_DASH, kRed, small, Number(limits.location.lower));
        HorizontalLine(dc, ranges, limits.spread.centre, PS_SOLID, kGreen, small, Number(limits.spread.centre));
        HorizontalLine(dc, ranges, limits.spread.upper, PS_DASH, kRed, small, Number(limits.spread.upper));
    } else {
        HorizontalLine(dc, individuals, high, PS_DOT, kGrey, small, Number(high));
        HorizontalLine(dc, individuals, low, PS_DOT, kGrey, small, Number(low));
    }
    PlotPoints(dc, individuals, values, locationBroken);
    PlotPoints(dc, ranges, movingRanges, spreadBroken);
}

void PaintBar(HDC dc, const RECT& room, const std::wstring& text, HFONT font) {
    Fill(dc, room, kAmber);
    RECT r{room.left + 8, room.top, room.right - 8, room.bottom};
    Text(dc, text, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, font, kInk);
}

}  // namespace vexla::station
