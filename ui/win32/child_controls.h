#pragma once
// A window's controls from a table: each row says what to create and where,
// in 96-dpi units; the table is scaled to the window's DPI when created.

#include <windows.h>

#include <map>
#include <span>
#include <vector>

namespace vexla::ui {

struct ControlRow {
    int id;
    const wchar_t* windowClass;  // e.g. WC_BUTTONW, WC_EDITW, WC_TEXTGRIDW
    const wchar_t* text;         // null: no text
    DWORD style;                 // WS_CHILD is always added
    DWORD exStyle;
    int x, y, width, height;  // at 96 dpi, in the parent's client area
};

class ChildControls {
  public:
    // The control with that id, or null.
    HWND Get(int id) const;
    HWND operator[](int id) const { return Get(id); }
    std::size_t Size() const { return controls_.size(); }
    // Ids of rows that could not be created (unknown class, a repeated id).
    const std::vector<int>& Failed() const { return failed_; }
    bool AllCreated() const { return failed_.empty(); }

  private:
    friend ChildControls CreateChildControls(HWND, std::span<const ControlRow>, HFONT, UINT);
    std::map<int, HWND> controls_;
    std::vector<int> failed_;
};

// Creates every row's control as a child of `parent`, scaled from 96 dpi to
// `dpi` (0: the parent's), with `font` (null: the system font). The controls
// are created in table order, which is their tab order.
ChildControls CreateChildControls(HWND parent, std::span<const ControlRow> rows, HFONT font, UINT dpi = 0);

}  // namespace vexla::ui
