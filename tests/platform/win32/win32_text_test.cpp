#include "platform/win32/win32_text.h"

#include <gtest/gtest.h>

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

TEST(FaceListTest, KeepsOrderSkipsDuplicatesVerticalAndEmpty) {
    FaceList list;
    const struct {
        const char* face;
        bool taken;
    } steps[] = {
        {"Tahoma", true},   {"Arial", true},  {"@MS Gothic", false}, {"Arial", false},
        {"", false},        {"MS Gothic", true}, {"arial", true},   {"Tahoma", false},
    };
    for (const auto& s : steps) EXPECT_EQ(list.Add(s.face), s.taken) << s.face;
    EXPECT_EQ(list.names(), (std::vector<std::string>{"Tahoma", "Arial", "MS Gothic", "arial"}));
}

TEST(FaceListTest, StartsEmpty) { EXPECT_TRUE(FaceList().names().empty()); }

struct TwipsCase {
    int twips;
    int dpi;
    int want;
    friend void PrintTo(const TwipsCase& c, std::ostream* os) {
        *os << c.twips << "tw@" << c.dpi;
    }
};

class TwipsTest : public ::testing::TestWithParam<TwipsCase> {};

TEST_P(TwipsTest, RoundsToNearestPixel) {
    EXPECT_EQ(TwipsToDevice(GetParam().twips, GetParam().dpi), GetParam().want)
        << GetParam().twips << " twips at " << GetParam().dpi << " dpi";
}

INSTANTIATE_TEST_SUITE_P(Layout, TwipsTest,
                         ::testing::Values(TwipsCase{4350, 96, 290}, TwipsCase{3540, 96, 236},
                                           TwipsCase{4350, 120, 363},  // 362.5 rounds up
                                           TwipsCase{3540, 144, 354}, TwipsCase{7, 96, 0},
                                           TwipsCase{8, 96, 1}, TwipsCase{0, 96, 0},
                                           TwipsCase{-45, 96, -3}));

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

}  // namespace
}  // namespace scriblane::win32
