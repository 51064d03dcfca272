// The line analysis of the shaping module (FriBidi, HarfBuzz's Unicode data and the emoji table
// generated from ICU's) and the simple-text test, without X.
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <string>
#include <vector>

#include "platform/linux/text/complex_text.h"
#include "platform/linux/text/emoji_properties.h"

extern "C" scriblane::linuxp::ComplexText* scriblane_create_complex_text();

namespace scriblane::linuxp {
namespace {

TEST(IsSimpleCharacter, TellsStandaloneCharactersFromTheRest) {
    const struct {
        char32_t c;
        bool simple;
    } cases[] = {
        {U'A', true},        {U'\u00E9', true},   {U'\u03A9', true},  {U'\u0416', true},
        {U'\u65E5', true},   {U'\u2713', true},   {U'\uAC00', true},  {U'\U00020000', true},
        {U'\u0301', false},  // combining acute
        {U'\u05D0', false},  // Hebrew
        {U'\u0645', false},  // Arabic
        {U'\u0915', false},  // Devanagari
        {U'\u0E01', false},  // Thai
        {U'\u200D', false},  // zero-width joiner
        {U'\u202E', false},  // right-to-left override
        {U'\U0001F642', false},
        {U'\U0001F1EB', false},  // regional indicator
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSimpleCharacter(c.c), c.simple) << std::hex << static_cast<unsigned>(c.c);
    }
}

TEST(MayPresentAsEmoji, EveryDefaultEmojiOfICUsDataGoesToTheModule) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_EMOJI_PRESENTATION)) {
            EXPECT_TRUE(!IsSimpleCharacter(c) || MayPresentAsEmoji(c))
                << std::hex << static_cast<unsigned>(c);
        }
    }
    EXPECT_FALSE(MayPresentAsEmoji(U'A'));
    EXPECT_FALSE(MayPresentAsEmoji(U'\u65E5'));
}

TEST(EmojiProperties, TheGeneratedTableAgreesWithICUOnEveryCodePoint) {
    const struct {
        EmojiProperty bit;
        UProperty icu;
    } properties[] = {
        {kEmoji, UCHAR_EMOJI},
        {kEmojiPresentation, UCHAR_EMOJI_PRESENTATION},
        {kEmojiModifier, UCHAR_EMOJI_MODIFIER},
        {kEmojiModifierBase, UCHAR_EMOJI_MODIFIER_BASE},
        {kExtendedPictographic, UCHAR_EXTENDED_PICTOGRAPHIC},
        {kRegionalIndicator, UCHAR_REGIONAL_INDICATOR},
    };
    int wrong = 0;
    for (char32_t c = 0; c <= 0x10FFFF && wrong < 10; ++c) {
        const std::uint8_t bits = EmojiProperties(c);
        for (const auto& p : properties) {
            const bool icu = u_hasBinaryProperty(static_cast<UChar32>(c), p.icu) != 0;
            if (((bits & p.bit) != 0) != icu) {
                ++wrong;
                ADD_FAILURE() << std::hex << static_cast<unsigned>(c) << " property bit "
                              << static_cast<unsigned>(p.bit) << ": ICU says " << icu;
            }
        }
    }
    // A few known answers, should ICU and the table ever be wrong together.
    EXPECT_EQ(EmojiProperties(U'A'), 0);
    EXPECT_EQ(EmojiProperties(U'\U0001F642'), kEmoji | kEmojiPresentation | kExtendedPictographic);
    EXPECT_EQ(EmojiProperties(U'\u263A'), kEmoji | kExtendedPictographic);
    EXPECT_EQ(EmojiProperties(U'#'), kEmoji);
    EXPECT_EQ(EmojiProperties(U'\U0001F3FD'), kEmoji | kEmojiPresentation | kEmojiModifier);
    EXPECT_EQ(EmojiProperties(U'\U0001F1EB'), kEmoji | kEmojiPresentation | kRegionalIndicator);
    EXPECT_EQ(EmojiProperties(U'\U0010FFFF'), 0);
}

TEST(LineAnalysis, ClustersArePresentedByUnicodesEmojiRules) {
    constexpr auto A = Presentation::kAny, T = Presentation::kText, E = Presentation::kEmoji;
    const struct {
        std::u32string text;
        std::vector<Presentation> presentation;
    } cases[] = {
        {U"a\uFE0F", {A, A}},                            // no emoji to select
        {U"\u263A", {A}},                                 // text by default
        {U"\u263A\uFE0F", {E, E}},
        {U"\u263A\uFE0E", {T, T}},
        {U"\U0001F44D\uFE0E", {T, T}},
        {U"\u231A\U0001F44D", {E, E}},                    // emoji by default
        {U"1\uFE0F\u20E3", {E, E, E}},                     // keycap
        {U"1\u20E3", {A, A}},                              // not an emoji keycap
        {U"\U0001F1EB\U0001F1F7", {E, E}},                 // flag
        {U"\u261D\U0001F3FD", {E, E}},                     // modifier sequence
        {U"\U0001F3F4\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007F",
         {E, E, E, E, E, E, E}},                            // tag sequence
        {U"\u2764\u200D\U0001F525", {E, E, E}},            // ZWJ sequence
        {U"\u0915\u094D\u200D\u0937", {A, A, A, A}},      // a joiner that is not emoji
    };
    ComplexText* complex = scriblane_create_complex_text();
    for (const auto& c : cases) {
        EXPECT_EQ(complex->Analyse(c.text).presentation, c.presentation)
            << std::hex << static_cast<unsigned>(c.text[0]);
    }
    delete complex;
}

struct AnalysisCase {
    const char* name;
    std::u32string text;
    std::vector<std::uint8_t> levels;
    std::vector<std::uint32_t> visualOrder;
    std::vector<bool> continues;
};

void PrintTo(const AnalysisCase& c, std::ostream* os) { *os << c.name; }

class LineAnalysisTest : public ::testing::TestWithParam<AnalysisCase> {};

TEST_P(LineAnalysisTest, OrdersAndClustersTheLine) {
    static ComplexText* const complex = scriblane_create_complex_text();
    const AnalysisCase& c = GetParam();
    const LineAnalysis a = complex->Analyse(c.text);
    EXPECT_EQ(a.levels, c.levels);
    EXPECT_EQ(a.visualOrder, c.visualOrder);
    EXPECT_EQ(a.continues, c.continues);
    ASSERT_EQ(a.scripts.size(), c.text.size());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineAnalysisTest,
    ::testing::Values(
        AnalysisCase{"latin", U"abc", {0, 0, 0}, {0, 1, 2}, {false, false, false}},
        AnalysisCase{"hebrew_after_latin", U"ab \u05D0\u05D1", {0, 0, 0, 1, 1}, {0, 1, 2, 4, 3},
                     {false, false, false, false, false}},
        // The paragraph stays left to right: the Latin word follows on the right.
        AnalysisCase{"hebrew_first", U"\u05D0\u05D1 ab", {1, 1, 0, 0, 0}, {1, 0, 2, 3, 4},
                     {false, false, false, false, false}},
        // Two right-to-left words in a row read right to left as one.
        AnalysisCase{"two_rtl_words", U"\u0645\u0631 \u05D0", {1, 1, 1, 1}, {3, 2, 1, 0},
                     {false, false, false, false}},
        // Trailing blanks go back to the paragraph's level.
        AnalysisCase{"trailing_blank", U"\u05D0\u05D1 ", {1, 1, 0}, {1, 0, 2}, {false, false, false}},
        AnalysisCase{"combining_marks", U"e\u0301\u0323x", {0, 0, 0, 0}, {0, 1, 2, 3},
                     {false, true, true, false}},
        AnalysisCase{"emoji_modifier", U"\U0001F44D\U0001F3FD", {0, 0}, {0, 1}, {false, true}},
        AnalysisCase{"zwj_sequence", U"\U0001F468\u200D\U0001F469", {0, 0, 0}, {0, 1, 2},
                     {false, true, true}},
        AnalysisCase{"flags", U"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", {0, 0, 0, 0},
                     {0, 1, 2, 3}, {false, true, false, true}},
        AnalysisCase{"empty", U"", {}, {}, {}}));

TEST(LineAnalysis, CommonAndInheritedTakeANeighboursScript) {
    ComplexText* complex = scriblane_create_complex_text();
    const LineAnalysis a = complex->Analyse(U"(a\u0301 \u0645)");
    const std::uint32_t latin = a.scripts[1], arabic = a.scripts[4];
    EXPECT_NE(latin, arabic);
    EXPECT_EQ(a.scripts, (std::vector<std::uint32_t>{latin, latin, latin, latin, arabic, arabic}));
    delete complex;
}

TEST(ShapingFont, UnreadableFileGivesNoFont) {
    ComplexText* complex = scriblane_create_complex_text();
    EXPECT_EQ(complex->OpenFont("/nonexistent/face.ttf", 0, 20, 20), nullptr);
    EXPECT_EQ(complex->OpenFont("/dev/null", 0, 20, 20), nullptr);
    delete complex;
}

}  // namespace
}  // namespace scriblane::linuxp
