#include "platform/win32/win32_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace scriblane::win32 {
namespace {

struct ArgumentCase {
    const char* line;
    const char* want;
    friend void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << "[" << c.line << "]"; }
};

class ArgumentTextTest : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentTextTest, TakesWhatFollowsTheProgramName) {
    EXPECT_EQ(ArgumentText(GetParam().line), GetParam().want) << "line: [" << GetParam().line << "]";
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ArgumentTextTest,
    ::testing::Values(
        ArgumentCase{"scriblane.exe", ""},
        ArgumentCase{"scriblane.exe Hello", "Hello"},
        ArgumentCase{"scriblane.exe    Hello", "Hello"},
        ArgumentCase{"scriblane.exe \t Hello world  ", "Hello world  "},
        ArgumentCase{"scriblane.exe   ", ""},
        ArgumentCase{"\"C:\\Program Files\\Scriblane\\scriblane.exe\" Hello", "Hello"},
        ArgumentCase{"\"C:\\Program Files\\Scriblane\\scriblane.exe\"", ""},
        ArgumentCase{"\"C:\\a b\\s.exe\"Hello", "Hello"},
        ArgumentCase{"C:\\Scriblane\\scriblane.exe \"quoted words\" x", "\"quoted words\" x"},
        ArgumentCase{"  scriblane.exe Hi", "Hi"},
        ArgumentCase{"\"unterminated name Hello", ""},
        ArgumentCase{"", ""},
        ArgumentCase{"s.exe a\"b", "a\"b"}));

struct FontCase {
    double points;
    int dpi;
    int want;
    friend void PrintTo(const FontCase& c, std::ostream* os) { *os << c.points << "pt@" << c.dpi; }
};

class FontHeightTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontHeightTest, NegativeCharacterHeight) {
    EXPECT_EQ(PointsToFontHeight(GetParam().points, GetParam().dpi), GetParam().want)
        << GetParam().points << " pt at " << GetParam().dpi;
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontHeightTest,
                         ::testing::Values(FontCase{8.25, 96, -11}, FontCase{9.75, 96, -13},
                                           FontCase{12, 96, -16}, FontCase{8.25, 120, -14},
                                           FontCase{12, 144, -24}));

TEST(FontWidthTest, KeptWithinTheBound) {
    const struct {
        std::int32_t width, want;
    } cases[] = {
        {0, 0},
        {15, 15},
        {-15, -15},
        {kMaxFontWidth, kMaxFontWidth},
        {-kMaxFontWidth, -kMaxFontWidth},
        {kMaxFontWidth + 1, kMaxFontWidth},
        {INT32_MAX, kMaxFontWidth},
        {-INT32_MAX, -kMaxFontWidth},
        {INT32_MIN, -kMaxFontWidth},
    };
    for (const auto& c : cases) EXPECT_EQ(BoundFontWidth(c.width), c.want) << c.width;
}

TEST(DrawnCharactersTest, LeavesOutLineBreaksAndPrefixMarks) {
    const struct {
        const wchar_t* text;
        bool prefixes;
        const wchar_t* want;
    } cases[] = {
        {L" Hello", true, L" Hello"},
        {L"a\r\nb\nc\rd", true, L"abcd"},
        {L"&File", true, L"File"},
        {L"A&&B", true, L"A&B"},
        {L"A&\r\n&B", true, L"AB"},  // a prefix never reaches across a break
        {L"A&&B&", false, L"A&&B&"},
        {L"", true, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DrawnCharacters(c.text, c.prefixes), c.want)
            << "prefixes " << c.prefixes << ", case " << (&c - cases);
}

TEST(GlyphRequestTest, FitsSidesAndRequestSize) {
    // 4194303 four-byte units less the 28 bytes in front of the image.
    constexpr std::uint32_t kImage = 4194303u * 4 - 28;
    const struct {
        std::uint32_t width, height;
        GlyphDepth depth;
        bool fits;
    } cases[] = {
        {20, 30, GlyphDepth::Gray, true},
        {0, 0, GlyphDepth::Gray, true},
        {65535, 1, GlyphDepth::Gray, true},
        {65536, 19, GlyphDepth::Gray, false},
        {1, 65536, GlyphDepth::Gray, false},
        {4, kImage / 4, GlyphDepth::Gray, false},  // over 65535 rows
        {4096, kImage / 4096, GlyphDepth::Gray, true},
        {4096, kImage / 4096 + 1, GlyphDepth::Gray, false},
        {65535, 255, GlyphDepth::Mono, true},
        {65535, 65535, GlyphDepth::Mono, false},
        {65533, 1, GlyphDepth::Subpixel, true},
        {65534, 1, GlyphDepth::Subpixel, false},
        {2045, 2045, GlyphDepth::Subpixel, true},   // 2047 x 2047 at four bytes
        {2046, 2046, GlyphDepth::Subpixel, false},  // 2048 x 2048: one request too big
        {4000, 4000, GlyphDepth::Gray, true},
        {4200, 4000, GlyphDepth::Gray, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlyphFitsOneRequest(c.width, c.height, c.depth), c.fits)
            << c.width << " x " << c.height << " depth " << static_cast<int>(c.depth);
}

}  // namespace
}  // namespace scriblane::win32
