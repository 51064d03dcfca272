// Win32 font sizing from a face's design metrics and the fallback list as fontconfig trims it,
// without an X server.
#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <climits>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/x11/x11_font.h"

namespace scriblane::linuxp {
namespace {

// Liberation Sans' design metrics (Arial's are the same).
constexpr FaceMetrics kSans{2048, 1854, 434, 1208};

struct SizeCase {
    std::int32_t height, width;
    double em;
    std::int32_t cell, ascent, averageWidth, stretchWidth;
};

// What GDI reports for Liberation Sans under Wine (tmHeight, tmAscent and
// the unstretched tmAveCharWidth; the em follows from its advances).
TEST(ComputeFontSizeTest, SizesAsTheWindowsFontMapperGivesThem) {
    const SizeCase cases[] = {
        {30, 0, 27, 30, 24, 16, 0},
        {30, 15, 27, 30, 24, 16, 15},
        {30, -15, 27, 30, 24, 16, 15},  // a negative width counts by its size
        {8, 0, 7, 7, 6, 4, 0},          // the cell comes out below the request
        {13, 0, 12, 14, 11, 7, 0},      // ... or above it
        {33, 40, 29, 32, 26, 17, 40},   // 29.54 px: halves and a bit go down
        {40, 0, 36, 41, 33, 21, 0},
        {50, 5, 45, 51, 41, 27, 5},
        {-30, 0, 30, 33, 27, 18, 0},    // negative: the em itself
        {-13, 40, 13, 15, 12, 8, 40},
        {0, 0, 14, 16, 13, 8, 0},       // the default: a cell of 16
        {0, 15, 14, 16, 13, 8, 0},      // whose width is not looked at
    };
    for (const SizeCase& c : cases) {
        const FontSize s = ComputeFontSize(kSans, c.height, c.width);
        EXPECT_DOUBLE_EQ(s.emPixels, c.em) << c.height << " " << c.width;
        EXPECT_EQ(s.cell, c.cell) << c.height << " " << c.width;
        EXPECT_EQ(s.ascent, c.ascent) << c.height << " " << c.width;
        EXPECT_EQ(s.averageWidth, c.averageWidth) << c.height << " " << c.width;
        EXPECT_EQ(s.stretchWidth, c.stretchWidth) << c.height << " " << c.width;
    }
}

// Advances of Liberation Sans at 30 px cells as GDI gives them under Wine,
// from the hinted advances of the unstretched 27 px em.
TEST(StretchedAdvanceTest, StretchesAndRoundsUp) {
    struct Case {
        std::int32_t width, hinted, expected;
    } cases[] = {
        {0, 20, 20},  {15, 8, 8},  {15, 15, 15}, {15, 20, 19}, {15, 24, 23},
        {40, 15, 38}, {40, 6, 15}, {5, 8, 3},    {5, 24, 8},   {1, 8, 1},
        {1, 24, 2},   {15, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StretchedAdvance(ComputeFontSize(kSans, 30, c.width), c.hinted), c.expected)
            << c.width << " " << c.hinted;
    }
}

TEST(ComputeFontSizeTest, ExtremesAreClamped) {
    for (std::int32_t h : {INT32_MIN, INT32_MIN + 1, -100000, 100000, INT32_MAX}) {
        for (std::int32_t w : {INT32_MIN, -1, 0, 1, INT32_MAX}) {
            const FontSize s = ComputeFontSize(kSans, h, w);
            EXPECT_GE(s.emPixels, 1.0) << h << " " << w;
            EXPECT_LE(s.emPixels, kMaxEmPixels) << h << " " << w;
            EXPECT_LE(s.emPixels * s.xScale, kMaxEmPixels + 1e-6) << h << " " << w;
            EXPECT_GT(s.xScale, 0.0) << h << " " << w;
            EXPECT_GE(s.cell, 1) << h << " " << w;
            EXPECT_LE(s.cell, 2288) << h << " " << w;
            EXPECT_GE(s.ascent, 0);
            EXPECT_LE(s.ascent, s.cell);
            EXPECT_GE(StretchedAdvance(s, 2048), 0) << h << " " << w;
        }
    }
}

TEST(ComputeFontSizeTest, BrokenFaceMetricsStillGiveASize) {
    const FaceMetrics broken{0, 0, 0, 0};
    const FontSize s = ComputeFontSize(broken, 30, 15);
    EXPECT_GE(s.cell, 29);
    EXPECT_LE(s.cell, 31);
    EXPECT_GT(s.emPixels, 0);
    EXPECT_GT(s.xScale, 0);
}

// `request` (fontconfig's name syntax) as a sort or match takes it.
FcPattern* PreparedPattern(const char* request) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(request));
    if (pattern) {
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
    }
    return pattern;
}

// The faces listed are those of fontconfig's own trimmed sort, in its order,
// for requests whose fallbacks differ (the installed faces decide which).
TEST(TrimmedSortTest, ListsWhatFontconfigsTrimmedSortLists) {
    for (const char* request : {"Arial", "serif:weight=200", "monospace:slant=100", "Symbola",
                                "Noto Color Emoji:color=true:lang=und-zsye", "no such face"}) {
        FcPattern* pattern = PreparedPattern(request);
        ASSERT_NE(pattern, nullptr);
        FcResult result;
        FcFontSet* untrimmed = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        FcFontSet* trimmed = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
        ASSERT_NE(untrimmed, nullptr);
        ASSERT_NE(trimmed, nullptr);
        const std::vector<FcPattern*> expected(trimmed->fonts, trimmed->fonts + trimmed->nfont);
        const auto n = static_cast<std::size_t>(untrimmed->nfont);
        // Asked in order, and from the far end first (the walk is lazy).
        for (const bool fromTheEnd : {false, true}) {
            TrimmedSort walk(untrimmed);
            if (fromTheEnd && n > 0) walk.Lists(n - 1);
            std::vector<FcPattern*> listed;
            for (std::size_t i = 0; i < n; ++i) {
                if (walk.Lists(i)) listed.push_back(untrimmed->fonts[i]);
            }
            EXPECT_EQ(listed, expected) << request;
            EXPECT_FALSE(walk.Lists(n)) << request;
        }
        FcFontSetDestroy(trimmed);
        FcFontSetDestroy(untrimmed);
        FcPatternDestroy(pattern);
    }
}

// The file and face index of a pattern.
std::pair<std::string, int> FaceOf(FcPattern* face) {
    FcChar8* file = nullptr;
    int index = 0;
    FcPatternGetString(face, FC_FILE, 0, &file);
    FcPatternGetInteger(face, FC_INDEX, 0, &index);
    return {file ? reinterpret_cast<const char*>(file) : "", index};
}

// The first face with a character found among the faces that have it is
// the first of fontconfig's sort of every face, and one its trimmed sort
// lists; asked one by one, in turn (the faces sorted grow) and told the
// command line's first (sorted once). Led by the
// face matched, the answer is known for what that face lacks; led by a
// face of its language the sort puts last, or one without the language, it is
// either right or not known.
TEST(NeededSortTest, FindsTheFirstFaceOfTheWholeSort) {
    const char32_t chars[] = {U'H', U'\u65E5', U'\u672C', U'\u8A9E', U'\u2713', U'\u0645',
                              U'\u0631', U'\u062D', U'\u0628', U'\u0627', U'\u05E9', U'\u05DC',
                              U'\u05D5', U'\u05DD', U'\U0001F642', U'\u00E9', U'\u0301', U'\u0915',
                              U'\u0E01', U'\u20AC', U'\u03A9', U'\u0416', U'\u2318', U'\u2500',
                              U'\u2211', U'\uAC00', U'\U0010FFFD'};
    for (const char* request : {"Arial:pixelsize=27", "serif:weight=200:pixelsize=14",
                                "monospace:slant=100", "Symbola", "Noto Color Emoji",
                                "WenQuanYi Micro Hei:weight=80", "no such face"}) {
        FcPattern* pattern = PreparedPattern(request);
        ASSERT_NE(pattern, nullptr);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        ASSERT_NE(match, nullptr);
        FcFontSet* all = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        ASSERT_NE(all, nullptr);
        ASSERT_GT(all->nfont, 0);
        FcChar8* language = nullptr;
        ASSERT_EQ(FcPatternGetString(pattern, FC_LANG, 0, &language), FcResultMatch);
        // The first face sorted without the language, and the last with it.
        FcPattern* foreign = nullptr;
        FcPattern* last = nullptr;
        for (int i = 0; i < all->nfont; ++i) {
            FcLangSet* languages = nullptr;
            if (FcPatternGetLangSet(all->fonts[i], FC_LANG, 0, &languages) != FcResultMatch) continue;
            if (FcLangSetHasLang(languages, language) == FcLangDifferentLang) {
                if (!foreign) foreign = all->fonts[i];
            } else {
                last = all->fonts[i];
            }
        }
        for (FcPattern* leader : {match, last, foreign}) {
            if (!leader) continue;
            const std::string leadFile = FaceOf(leader).first;
            FcCharSet* leadChars = nullptr;
            ASSERT_EQ(FcPatternGetCharSet(leader, FC_CHARSET, 0, &leadChars), FcResultMatch);
            NeededSort inTurn(pattern, leader);
            NeededSort told(pattern, leader);
            // The command line's text characters (the emoji goes to the colour faces).
            constexpr std::size_t kLine = 14;
            told.Expect(chars, kLine);
            for (std::size_t i = 0; i < std::size(chars); ++i) {
                const char32_t c = chars[i];
                SCOPED_TRACE(testing::Message() << request << " led by " << leadFile << " U+"
                                                << std::hex << static_cast<unsigned>(c));
                FcPattern* expected = nullptr;
                int at = 0;
                for (; at < all->nfont && !expected; ++at) {
                    FcCharSet* set = nullptr;
                    if (FcPatternGetCharSet(all->fonts[at], FC_CHARSET, 0, &set) == FcResultMatch &&
                        FcCharSetHasChar(set, c)) {
                        expected = all->fonts[at];
                    }
                }
                if (expected) {
                    TrimmedSort trimmed(all);
                    EXPECT_TRUE(trimmed.Lists(static_cast<std::size_t>(at - 1)));
                }
                NeededSort alone(pattern, leader);
                for (NeededSort* sort : {&alone, &inTurn, &told}) {
                    FcPattern* found = reinterpret_cast<FcPattern*>(1);
                    if (sort->First(c, &found)) {
                        EXPECT_EQ(found, expected);
                    } else {
                        EXPECT_FALSE((sort == &alone || (sort == &told && i < kLine)) &&
                                     leader == match &&
                                     !FcCharSetHasChar(leadChars, c) &&
                                     std::string(request).starts_with("Arial"));
                    }
                }
            }
        }
        FcFontSetDestroy(all);
        FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
}

}  // namespace
}  // namespace scriblane::linuxp
