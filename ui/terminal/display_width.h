#pragma once
// Widths of UTF-8 texts in terminal cells: a CJK character takes two cells,
// so byte or character counts would misalign every heading. Needs a UTF-8
// LC_CTYPE (wcwidth answers -1 for CJK otherwise).

#include <string>
#include <string_view>

namespace vexla::ui::terminal {

// The text as wide characters; a malformed sequence becomes U+FFFD, so text
// from outside can never desynchronise the decoding of what follows.
std::wstring WideOf(std::string_view utf8);

// One character appended as UTF-8: what the keyboard typed, kept as text.
void AppendUtf8(std::string& out, char32_t c);

// Cells the text takes; a character the terminal cannot print counts as one
// cell, as the replacement the terminal shows for it does.
int CellsOf(std::wstring_view text);
int CellsOf(std::string_view utf8);

enum class Align { Left, Right };

// The text clipped to `cells` and padded with spaces to exactly that width;
// characters the terminal cannot print are shown as U+FFFD.
// A wide character that would straddle the edge is left out and its cell
// padded, so nothing spills into the neighbouring column.
std::wstring Fit(std::wstring_view text, int cells, Align align = Align::Left);
std::string FitUtf8(std::string_view utf8, int cells, Align align = Align::Left);

// A number right-aligned in `cells`; one too long for them becomes stars,
// as the driver's own texts do, rather than a clipped, different number.
std::wstring FitNumber(std::string_view text, int cells);

}  // namespace vexla::ui::terminal
