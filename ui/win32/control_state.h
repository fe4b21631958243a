#pragma once
// Setting what a control shows only when it differs from what it shows
// already: a refresh every tick then costs no repaint and no flicker.

#include <windows.h>

#include <string>

#include "base/win32/wide_text.h"

namespace vexla::ui {

inline void SetText(HWND control, const std::string& utf8) {
    if (control != nullptr) SetWindowTextW(control, Widen(utf8).c_str());
}

inline void Show(HWND control, bool visible) {
    if (control != nullptr && (IsWindowVisible(control) != FALSE) != visible)
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

inline void Enable(HWND control, bool enabled) {
    if (control != nullptr && (IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

inline void Check(HWND button, bool checked) {
    if (button != nullptr) SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

inline bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace vexla::ui
