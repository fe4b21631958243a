#include "ui/win32/child_controls.h"

#include <commctrl.h>

#include "ui/win32/dpi.h"
#include "ui/win32/module.h"
#include "ui/win32/text_grid.h"

namespace vexla::ui {

HWND ChildControls::Get(int id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
}

ChildControls CreateChildControls(HWND parent, std::span<const ControlRow> rows, HFONT font, UINT dpi) {
    static const bool commonControls = [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)commonControls;                    // a table without common controls works without them
    RegisterTextGridClass(CurrentModule());  // so that tables may hold grids

    ChildControls result;
    if (dpi == 0) dpi = WindowDpi(parent);
    for (const ControlRow& row : rows) {
        // A repeated id would make the second control unreachable by id.
        if (row.windowClass == nullptr || result.controls_.contains(row.id) || parent == nullptr) {
            result.failed_.push_back(row.id);
            continue;
        }
        const HWND hwnd = CreateWindowExW(
            row.exStyle, row.windowClass, row.text != nullptr ? row.text : L"", row.style | WS_CHILD,
            ScaleForDpi(row.x, dpi), ScaleForDpi(row.y, dpi), ScaleForDpi(row.width, dpi), ScaleForDpi(row.height, dpi),
            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), CurrentModule(), nullptr);
        if (hwnd == nullptr) {
            result.failed_.push_back(row.id);
            continue;
        }
        if (font != nullptr) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        result.controls_.emplace(row.id, hwnd);
    }
    return result;
}

}  // namespace vexla::ui
