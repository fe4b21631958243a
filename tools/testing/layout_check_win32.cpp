#include "layout_check_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "base/win32/wide_text.h"
#include "ui/win32/text_grid.h"

namespace vexla::testing {
namespace {

std::wstring ClassOf(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    return name;
}

bool IsClass(HWND control, const wchar_t* name) {
    return CompareStringOrdinal(ClassOf(control).c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string Name(HWND control) {
    std::wstring text = TextOf(control);
    if (text.size() > 24) text = text.substr(0, 24) + L"…";
    return "control " + std::to_string(GetDlgCtrlID(control)) + " (" + Narrow(ClassOf(control)) +
           (text.empty() ? "" : " \"" + Narrow(text) + "\"") + ")";
}

// The control's rectangle in its parent's client coordinates.
RECT InParent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A control that other controls are laid on: a frame, a group box, a bare
// panel, the notebook whose pages cover its display area.
bool IsContainer(HWND control) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (IsClass(control, WC_TABCONTROLW)) return true;
    if (IsClass(control, WC_BUTTONW)) return (style & BS_TYPEMASK) == BS_GROUPBOX;
    if (IsClass(control, WC_STATICW)) {
        const LONG type = style & SS_TYPEMASK;
        return type == SS_ETCHEDFRAME || type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME ||
               TextOf(control).empty();
    }
    return false;
}

// Measures text as the control draws it, with its own font.
class Measure {
  public:
    explicit Measure(HWND control) : control_(control), dc_(GetDC(control)) {
        auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        old_ = SelectObject(dc_, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    }
    ~Measure() {
        SelectObject(dc_, old_);
        ReleaseDC(control_, dc_);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;

    // The rectangle DrawText fills for `text` in a line `width` wide.
    SIZE Extent(const std::wstring& text, int width, UINT format) const {
        RECT r{0, 0, width, 0};
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
        return {r.right - r.left, r.bottom - r.top};
    }

  private:
    HWND control_;
    HDC dc_;
    HGDIOBJ old_;
};

void CheckCaption(HWND control, std::vector<std::string>& faults) {
    const std::wstring text = TextOf(control);
    if (text.empty()) return;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client{};
    GetClientRect(control, &client);
    int width = client.right;
    int height = client.bottom;
    UINT format = DT_EXPANDTABS;
    if (IsClass(control, WC_STATICW)) {
        const LONG type = style & SS_TYPEMASK;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
            format |= DT_WORDBREAK;
        else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE)
            format |= DT_SINGLELINE;
        else
            return;  // an icon, a picture or a frame
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    } else if (IsClass(control, WC_BUTTONW)) {
        const LONG type = style & BS_TYPEMASK;
        format |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            width -= 6;  // the raised edge and a pixel of air each side
            height -= 4;
        } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
                   type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
            width -= GetSystemMetrics(SM_CXMENUCHECK) + 4;  // the box and the gap after it
        } else if (type == BS_GROUPBOX) {
            width -= 20;  // the caption stands in the frame's top line, inset
        } else {
            return;  // owner-drawn
        }
    } else if (IsClass(control, WC_EDITW) || IsClass(control, WC_COMBOBOXW)) {
        // The text between the edit field's margins (a drop-down's own field).
        const HWND field = IsClass(control, WC_EDITW) ? control : FindWindowExW(control, nullptr, WC_EDITW, nullptr);
        if (field == nullptr || (GetWindowLongW(field, GWL_STYLE) & ES_MULTILINE)) return;
        GetClientRect(field, &client);
        const auto margins = static_cast<DWORD>(SendMessageW(field, EM_GETMARGINS, 0, 0));
        width = client.right - LOWORD(margins) - HIWORD(margins);
        height = client.bottom;
        format |= DT_SINGLELINE | DT_NOPREFIX;
    } else {
        return;
    }
    const Measure measure(control);
    const SIZE needed = measure.Extent(text, std::max(width, 1), format);
    if (needed.cx > width || needed.cy > height)
        faults.push_back(Name(control) + ": its text needs " + std::to_string(needed.cx) + "x" +
                         std::to_string(needed.cy) + " px, it has " + std::to_string(width) + "x" +
                         std::to_string(height));
}

void CheckGrid(HWND grid, std::vector<std::string>& faults) {
    const ui::TextGrid g(grid);
    RECT client{};
    GetClientRect(grid, &client);
    int totalWidth = 0;
    for (int c = 0; c < g.ColCount(); ++c) totalWidth += g.ColWidth(c);
    if (totalWidth > client.right)
        faults.push_back(Name(grid) + ": its columns run " + std::to_string(totalWidth - client.right) +
                         " px past its right edge");
    if (!(GetWindowLongW(grid, GWL_STYLE) & WS_VSCROLL)) {
        int totalHeight = 0;
        for (int r = 0; r < g.RowCount(); ++r) totalHeight += g.RowHeight(r);
        if (totalHeight > client.bottom)
            faults.push_back(Name(grid) + ": its rows run " + std::to_string(totalHeight - client.bottom) +
                             " px past its bottom edge, without a scroll bar");
    }
    const Measure measure(grid);
    for (int r = 0; r < g.RowCount(); ++r) {
        for (int c = 0; c < g.ColCount(); ++c) {
            const std::wstring text = g.Cell(c, r);
            if (text.empty()) continue;
            const int room = g.ColWidth(c) - 1 - 2 * ui::kGridTextMargin;
            const UINT lines = text.find(L'\n') != std::wstring::npos ? 0 : DT_SINGLELINE;
            const SIZE needed = measure.Extent(text, room, lines | DT_NOPREFIX);
            if (needed.cx > room || needed.cy > g.RowHeight(r) - 1)
                faults.push_back(Name(grid) + ": cell (" + std::to_string(c) + ", " + std::to_string(r) + ") \"" +
                                 Narrow(text) + "\" needs " + std::to_string(needed.cx) + "x" +
                                 std::to_string(needed.cy) + " px, it has " + std::to_string(room) + "x" +
                                 std::to_string(g.RowHeight(r) - 1));
        }
    }
}

struct Collected {
    std::vector<HWND> controls;
};

BOOL CALLBACK CollectVisible(HWND control, LPARAM list) {
    // A drop-down's own edit and list belong to it.
    if (IsWindowVisible(control) && !IsClass(GetParent(control), WC_COMBOBOXW))
        reinterpret_cast<Collected*>(list)->controls.push_back(control);
    return TRUE;
}

}  // namespace

std::vector<std::string> LayoutFaults(HWND window, const LayoutRules& rules) {
    Collected collected;
    EnumChildWindows(window, &CollectVisible, reinterpret_cast<LPARAM>(&collected));
    const auto intended = [&](HWND a, HWND b) {
        const int x = GetDlgCtrlID(a), y = GetDlgCtrlID(b);
        return std::any_of(rules.overlays.begin(), rules.overlays.end(), [&](const auto& pair) {
            return (pair.first == x && pair.second == y) || (pair.first == y && pair.second == x);
        });
    };
    const auto buddies = [](HWND a, HWND b) {
        return (IsClass(a, UPDOWN_CLASSW) && reinterpret_cast<HWND>(SendMessageW(a, UDM_GETBUDDY, 0, 0)) == b) ||
               (IsClass(b, UPDOWN_CLASSW) && reinterpret_cast<HWND>(SendMessageW(b, UDM_GETBUDDY, 0, 0)) == a);
    };

    std::vector<std::string> faults;
    std::map<HWND, std::vector<HWND>> siblings;
    for (HWND control : collected.controls) {
        const HWND parent = GetParent(control);
        RECT room{};
        GetClientRect(parent, &room);
        const RECT r = InParent(control);
        if (!Contains(room, r))
            faults.push_back(Name(control) + " leaves its parent's client area (" + std::to_string(r.left) + "," +
                             std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," + std::to_string(r.bottom) +
                             " in " + std::to_string(room.right) + "x" + std::to_string(room.bottom) + ")");
        for (HWND other : siblings[parent]) {
            const RECT o = InParent(other);
            RECT both{};
            if (!IntersectRect(&both, &r, &o) || intended(control, other) || buddies(control, other)) continue;
            // Boxes laid edge on edge share one border line.
            if (both.right - both.left <= 1 || both.bottom - both.top <= 1) continue;
            if ((IsContainer(control) && Contains(r, o)) || (IsContainer(other) && Contains(o, r))) continue;
            faults.push_back(Name(control) + " and " + Name(other) + " overlap by " +
                             std::to_string(both.right - both.left) + "x" + std::to_string(both.bottom - both.top) +
                             " px");
        }
        siblings[parent].push_back(control);
        if (IsClass(control, WC_TEXTGRIDW))
            CheckGrid(control, faults);
        else if (std::find(rules.undrawnCaptions.begin(), rules.undrawnCaptions.end(), GetDlgCtrlID(control)) ==
                 rules.undrawnCaptions.end())
            CheckCaption(control, faults);
    }
    return faults;
}

}  // namespace vexla::testing
