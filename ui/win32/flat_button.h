#pragma once
// Flat push buttons with coloured text: owner-drawn (BS_OWNERDRAW), since a
// standard button draws its text in the system colour. They click, take
// the keyboard focus and answer BM_CLICK like any button; the parent draws
// them by passing WM_DRAWITEM on to DrawFlatButton.

#include <windows.h>

namespace vexla::ui {

inline constexpr DWORD kFlatButtonStyle = BS_OWNERDRAW | WS_TABSTOP;
inline constexpr COLORREF kButtonBlue = RGB(0, 0, 255);

// Draws the button of `item` with its own text and font: a face without
// relief, a thin frame, pressed in while held, the focus rectangle while it
// has the focus, grey text while disabled.
void DrawFlatButton(const DRAWITEMSTRUCT& item, COLORREF textColour = kButtonBlue);

}  // namespace vexla::ui
