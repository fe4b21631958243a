#include "ui/win32/fonts.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vexla::ui {
namespace {

// Faces that hold the GB2312 characters, best first.
constexpr std::array<const wchar_t*, 8> kPreferredFaces = {
    L"SimSun",           L"NSimSun",         L"新宋体",   L"WenQuanYi Zen Hei", L"WenQuanYi Zen Hei Sharp",
    L"Noto Sans CJK SC", L"Microsoft YaHei", L"微软雅黑",
};

struct FaceList {
    std::vector<std::wstring> faces;
};

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* list = reinterpret_cast<FaceList*>(param);
    // "@" faces are the vertical-writing variants of the same font.
    if (font->lfFaceName[0] != L'@') list->faces.emplace_back(font->lfFaceName);
    return 1;
}

FaceList EnumerateFaces(std::wstring_view face, BYTE charset) {
    FaceList list;
    LOGFONTW query{};
    query.lfCharSet = charset;
    face.copy(query.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    const WindowDc screen(nullptr);
    if (screen) EnumFontFamiliesExW(screen.Get(), &query, CollectFace, reinterpret_cast<LPARAM>(&list), 0);
    return list;
}

LOGFONTW Describe(std::wstring_view face, BYTE charset, int pixelHeight, bool bold) {
    LOGFONTW lf{};
    lf.lfHeight = -std::max(1, pixelHeight);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    face.copy(lf.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return lf;
}

std::wstring ActualFace(HFONT font) {
    const WindowDc screen(nullptr);
    if (!screen || font == nullptr) return {};
    const SelectedObject selected(screen.Get(), font);
    wchar_t face[LF_FACESIZE] = {};
    const int n = GetTextFaceW(screen.Get(), LF_FACESIZE, face);
    return n > 0 ? std::wstring(face) : std::wstring();
}

ChosenFont Make(const LOGFONTW& lf, bool fellBack) {
    ChosenFont chosen;
    chosen.font.Reset(CreateFontIndirectW(&lf));
    chosen.face = ActualFace(chosen.font.Get());
    chosen.fellBack = fellBack;
    return chosen;
}

}  // namespace

int PointsToPixels(HDC dc, int points) {
    int dpi = 0;
    if (dc != nullptr) {
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
    } else {
        const WindowDc screen(nullptr);
        if (screen) dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    return MulDiv(points, dpi > 0 ? dpi : 96, 72);
}

bool FontFaceExists(std::wstring_view face, BYTE charset) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    const FaceList list = EnumerateFaces(face, charset);
    return std::any_of(list.faces.begin(), list.faces.end(), [face](const std::wstring& found) {
        return CompareStringOrdinal(found.c_str(), -1, std::wstring(face).c_str(), -1, TRUE) == CSTR_EQUAL;
    });
}

std::wstring FindFallbackChineseFace() {
    wchar_t chosen[LF_FACESIZE] = {};
    const DWORD length = GetEnvironmentVariableW(L"VEXLA_FALLBACK_FACE", chosen, LF_FACESIZE);
    if (length > 0 && length < LF_FACESIZE && FontFaceExists(chosen, GB2312_CHARSET)) return chosen;
    for (const wchar_t* face : kPreferredFaces) {
        if (FontFaceExists(face, GB2312_CHARSET)) return face;
    }
    const FaceList any = EnumerateFaces(L"", GB2312_CHARSET);
    return any.faces.empty() ? std::wstring() : any.faces.front();
}

ChosenFont CreateChineseFont(std::wstring_view face, int pixelHeight, bool bold) {
    if (FontFaceExists(face, GB2312_CHARSET)) return Make(Describe(face, GB2312_CHARSET, pixelHeight, bold), false);
    const std::wstring fallback = FindFallbackChineseFace();
    if (!fallback.empty()) return Make(Describe(fallback, GB2312_CHARSET, pixelHeight, bold), true);
    // No Chinese face at all: the GUI font at the size asked for, so that at
    // least the layout holds.
    LOGFONTW gui{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    const LOGFONTW lf = Describe(gui.lfFaceName, gui.lfCharSet, pixelHeight, bold);
    return Make(lf, true);
}

ChosenFont CreateSongFont(int pixelHeight, bool bold) {
    return CreateChineseFont(kSongFace, pixelHeight, bold);
}

ChosenFont CreateSongFontAtPoints(HDC dc, int points, bool bold) {
    return CreateChineseFont(kSongFace, PointsToPixels(dc, points), bold);
}

ChosenFont CreateKaiFont(int pixelHeight, bool bold) {
    return CreateChineseFont(kKaiFace, pixelHeight, bold);
}

}  // namespace vexla::ui
