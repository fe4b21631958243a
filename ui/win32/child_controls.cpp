#include "win32/child_controls.h"

#include <commctrl.h>

#include "win32/dpi.h"
#include "win32/module.h"
#include "win32/text_grid.h"

namespace vexla::ui {

HWND ChildControls::Get(int id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
}

ChildControls CreateChildControls(HWND parent, std::span<const ControlSpec> specs, HFONT font, UINT dpi) {
    static const bool commonControls = [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)commonControls;                    // a table without common controls works without them
    RegisterTextGridClass(CurrentModule());  // so that tables may hold grids

    ChildControls result;
    if (dpi == 0) dpi = WindowDpi(parent);
    for (const ControlSpec& spec : specs) {
        // A repeated id would make the second control unreachable by id.
        if (spec.windowClass == nullptr || result.controls_.contains(spec.id) || parent == nullptr) {
            result.failed_.push_back(spec.id);
            continue;
        }
        const HWND hwnd =
            CreateWindowExW(spec.exStyle, spec.windowClass, spec.text != nullptr ? spec.text : L"",
                            spec.style | WS_CHILD, ScaleForDpi(spec.x, dpi), ScaleForDpi(spec.y, dpi),
                            ScaleForDpi(spec.width, dpi), ScaleForDpi(spec.height, dpi), parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), CurrentModule(), nullptr);
        if (hwnd == nullptr) {
            result.failed_.push_back(spec.id);
            continue;
        }
        if (font != nullptr) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        result.controls_.emplace(spec.id, hwnd);
    }
    return result;
}

}  // namespace vexla::ui
