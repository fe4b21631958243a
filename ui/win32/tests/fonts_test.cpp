#include "ui/win32/fonts.h"

#include <gtest/gtest.h>

#include <string>

namespace vexla::ui {
namespace {

// Whether the font draws these characters with glyphs of its own (not the
// "missing" box); asks GDI, not fontconfig.
bool HasGlyphs(HFONT font, const std::wstring& text) {
    const WindowDc screen(nullptr);
    const SelectedObject selected(screen.Get(), font);
    WORD glyphs[16] = {};
    if (text.size() > 16) return false;
    if (GetGlyphIndicesW(screen.Get(), text.c_str(), static_cast<int>(text.size()), glyphs,
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF) return false;
    return true;
}

// Character height (cell height without the internal leading) and weight.
TEXTMETRICW Metrics(HFONT font) {
    const WindowDc screen(nullptr);
    const SelectedObject selected(screen.Get(), font);
    TEXTMETRICW tm{};
    GetTextMetricsW(screen.Get(), &tm);
    return tm;
}

// The Chinese font package on this machine, seen through Wine's Z: drive;
// on Windows the path does not exist and the check is not made.
bool CjkFontFileInstalled() {
    return GetFileAttributesW(L"Z:\\usr\\share\\fonts\\truetype\\wqy\\wqy-zenhei.ttc") != INVALID_FILE_ATTRIBUTES;
}

TEST(Fonts, EveryRequestGetsAFaceTheSystemHas) {
    const struct {
        const char* what;
        ChosenFont chosen;
        int height;
        bool bold;
    } cases[] = {
        {"song 12", CreateSongFont(12), 12, false},
        {"song 16 bold", CreateSongFont(16, true), 16, true},
        {"kai 32 bold", CreateKaiFont(), 32, true},
        {"song at 9 points", CreateSongFontAtPoints(nullptr, 9), PointsToPixels(nullptr, 9), false},
        {"unknown face", CreateChineseFont(L"No Such Face Anywhere", 14), 14, false},
        {"zero height", CreateSongFont(0), 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.chosen.font);
        ASSERT_FALSE(c.chosen.face.empty());
        EXPECT_TRUE(FontFaceExists(c.chosen.face)) << "face " << c.chosen.face.size();
        const TEXTMETRICW tm = Metrics(c.chosen.font.Get());
        EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, c.height, 1);
        EXPECT_EQ(tm.tmWeight >= FW_BOLD, c.bold);
        if (CjkFontFileInstalled()) {
            EXPECT_TRUE(FontFaceExists(c.chosen.face, GB2312_CHARSET));
            EXPECT_TRUE(HasGlyphs(c.chosen.font.Get(), L"宋体通道数值次秒"));
        }
    }
    EXPECT_TRUE(cases[4].chosen.fellBack);
}

TEST(Fonts, TheRequestedFaceIsTakenWhenPresent) {
    const ChosenFont song = CreateSongFont(12);
    EXPECT_EQ(song.fellBack, !FontFaceExists(kSongFace, GB2312_CHARSET));
    const std::wstring fallback = FindFallbackChineseFace();
    if (CjkFontFileInstalled()) {
        EXPECT_FALSE(fallback.empty());
    }
    if (!fallback.empty()) {
        // A fallback face asked for by name is itself no fallback.
        const ChosenFont direct = CreateChineseFont(fallback, 12);
        EXPECT_FALSE(direct.fellBack);
        EXPECT_EQ(direct.face, fallback);
    }
}

TEST(Fonts, FaceNamesThatCannotExist) {
    EXPECT_FALSE(FontFaceExists(L""));
    EXPECT_FALSE(FontFaceExists(std::wstring(LF_FACESIZE, L'A')));
    EXPECT_FALSE(FontFaceExists(L"No Such Face Anywhere"));
    // Longer than a LOGFONT holds: cut, not overrun, and a real font anyway.
    const ChosenFont longName = CreateChineseFont(std::wstring(200, L'X'), 12);
    EXPECT_TRUE(longName.font);
    EXPECT_TRUE(longName.fellBack);
}

}  // namespace
}  // namespace vexla::ui
