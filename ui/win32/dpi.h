#pragma once
// Layouts are written for 96 dpi and scaled to the window's DPI.

#include <windows.h>

namespace vexla::ui {

inline constexpr UINT kDesignDpi = 96;

// The window's DPI: GetDpiForWindow where the system has it (Windows 10
// 1607 on), else the screen DC's LOGPIXELSX; 96 when neither answers.
UINT WindowDpi(HWND hwnd);

// A length in 96-dpi units at `dpi`, rounded to the nearest pixel.
int ScaleForDpi(int value96, UINT dpi);

}  // namespace vexla::ui
