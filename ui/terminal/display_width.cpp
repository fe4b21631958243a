#include "ui/terminal/display_width.h"

#include <cwchar>

namespace vexla::ui::terminal {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Bytes of the sequence that `lead` starts, 0 for a byte no sequence starts with.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

int CellsOfChar(wchar_t c) {
    const int w = ::wcwidth(c);
    return w < 0 ? 1 : w;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::wstring WideOf(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = SequenceLength(lead);
        if (length == 0 || i + static_cast<std::size_t>(length) > utf8.size()) {
            out += kReplacement;
            ++i;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length && valid; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || c < smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            out += kReplacement;
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

int CellsOf(std::wstring_view text) {
    int cells = 0;
    for (wchar_t c : text) cells += CellsOfChar(c);
    return cells;
}

int CellsOf(std::string_view utf8) {
    return CellsOf(WideOf(utf8));
}

std::wstring Fit(std::wstring_view text, int cells, Align align) {
    std::wstring clipped;
    int used = 0;
    for (wchar_t c : text) {
        // A control character would move the cursor or draw as "^X" in two cells.
        if (::wcwidth(c) < 0) c = kReplacement;
        const int w = CellsOfChar(c);
        if (used + w > cells) break;
        clipped += c;
        used += w;
    }
    const std::wstring pad(static_cast<std::size_t>(cells > used ? cells - used : 0), L' ');
    return align == Align::Left ? clipped + pad : pad + clipped;
}

std::string FitUtf8(std::string_view utf8, int cells, Align align) {
    std::string out;
    for (wchar_t c : Fit(WideOf(utf8), cells, align)) AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}

std::wstring FitNumber(std::string_view text, int cells) {
    const std::wstring wide = WideOf(text);
    if (CellsOf(wide) > cells) return std::wstring(static_cast<std::size_t>(cells > 0 ? cells : 0), L'*');
    return Fit(wide, cells, Align::Right);
}

}  // namespace vexla::ui::terminal
