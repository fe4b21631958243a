#pragma once
// Reading a grid from any process (a test driving one of our programs). The
// text messages carry pointers, which mean nothing in another process, so the
// request and its buffer are placed in the grid's process first, as tools do
// for the system's list views. Both processes must be of the same bitness:
// TGCELLTEXT holds a pointer.

#include <windows.h>

#include <optional>
#include <string>

namespace vexla::ui {

// The cell's text; nullopt when the grid cannot be asked (no such window, a
// process we may not open or of another bitness, no answer within `timeoutMs`)
// or the address cannot be one. Cells outside the grid read as empty.
std::optional<std::wstring> ReadGridCellText(HWND grid, int col, int row, UINT timeoutMs = 2000);

}  // namespace vexla::ui
