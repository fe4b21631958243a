#pragma once
// The Chinese fonts our windows use: "宋体" for texts and "楷体_GB2312" for
// large headings, both in the GB2312 character set. A system without the
// face (a bare Wine prefix, an English Windows without the East Asian
// fonts) gets the nearest CJK face it has, so that the characters still show.

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/win32/gdi.h"

namespace vexla::ui {

inline constexpr wchar_t kSongFace[] = L"宋体";
inline constexpr wchar_t kKaiFace[] = L"楷体_GB2312";

struct ChosenFont {
    GdiFont font;
    // The face GDI actually uses for it (GetTextFaceW).
    std::wstring face;
    // True when the requested face was missing and another one was taken.
    bool fellBack = false;
};

// `pixelHeight` is the character height (a negative lfHeight).
ChosenFont CreateChineseFont(std::wstring_view face, int pixelHeight, bool bold = false);
ChosenFont CreateSongFont(int pixelHeight, bool bold = false);
// At a point size, converted with the DC's LOGPIXELSY (the screen's when
// `dc` is null).
ChosenFont CreateSongFontAtPoints(HDC dc, int points, bool bold = false);
ChosenFont CreateKaiFont(int pixelHeight = 32, bool bold = true);

int PointsToPixels(HDC dc, int points);

// Whether the system has the face in that character set (DEFAULT_CHARSET:
// in any).
bool FontFaceExists(std::wstring_view face, BYTE charset = DEFAULT_CHARSET);
// The CJK face used when the requested one is missing: the one named by the
// environment variable VEXLA_FALLBACK_FACE when the system has it (to see
// the windows in another face), else a known one from our list of
// preferences, else any face with GB2312 characters; empty when the system
// has none.
std::wstring FindFallbackChineseFace();

}  // namespace vexla::ui
