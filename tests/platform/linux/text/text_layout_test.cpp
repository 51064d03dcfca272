// DrawTextA's text handling, without an X server.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/linux/text/text_layout.h"
#include "platform/linux/text/utf8.h"

namespace scriblane::linuxp {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u32string expected;
    bool utf8;  // every byte in a valid sequence
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeTextTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTextTest, DecodesUtf8AndFallsBackToWindows1252) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodeText(c.bytes.data(), c.bytes.size()), c.expected);
    EXPECT_EQ(IsUtf8(c.bytes), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeTextTest,
    ::testing::Values(
        DecodeCase{"ascii", "Hello", U"Hello", true},
        DecodeCase{"two_byte", "\xC3\xA9t\xC3\xA9", U"\u00E9t\u00E9", true},
        DecodeCase{"three_byte", "\xE2\x82\xAC", U"\u20AC", true},
        DecodeCase{"four_byte", "\xF0\x9F\x98\x80", U"\U0001F600", true},
        DecodeCase{"latin1_byte", "\xE9t\xE9", U"\u00E9t\u00E9", false},
        DecodeCase{"cp1252_euro", "\x80", U"\u20AC", false},
        DecodeCase{"cp1252_quotes", "\x93x\x94", U"\u201Cx\u201D", false},
        DecodeCase{"cp1252_undefined", "\x81\x8D\x8F\x90\x9D",
                   U"\u0081\u008D\u008F\u0090\u009D", false},
        DecodeCase{"overlong_nul", "\xC0\x80", U"\u00C0\u20AC", false},
        DecodeCase{"overlong_three", "\xE0\x80\xAF", U"\u00E0\u20AC\u00AF", false},
        DecodeCase{"surrogate", "\xED\xA0\x80", U"\u00ED\u00A0\u20AC", false},
        DecodeCase{"beyond_unicode", "\xF4\x90\x80\x80", U"\u00F4\u0090\u20AC\u20AC", false},
        DecodeCase{"truncated", "\xE2\x82", U"\u00E2\u201A", false},
        DecodeCase{"lone_continuation", "a\x80" "b", U"a\u20ACb", false},
        DecodeCase{"embedded_nul", std::string("a\0b", 3), std::u32string(U"a\0b", 3), true},
        DecodeCase{"control", "\t\x01\x1B", U"\t\u0001\u001B", true},
        DecodeCase{"empty", "", U"", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct LinesCase {
    const char* name;
    std::u32string text;
    bool singleLine;
    bool noPrefix;
    std::vector<std::u32string> lines;
    std::vector<std::vector<std::size_t>> underlined;
};

// Test names stay readable and stable (the default prints the object's bytes).
void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }

class LayoutLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LayoutLinesTest, SplitsLinesAndAppliesPrefixes) {
    const LinesCase& c = GetParam();
    const std::vector<TextLine> got = LayoutLines(c.text, c.singleLine, c.noPrefix);
    ASSERT_EQ(got.size(), c.lines.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].text, c.lines[i]) << "line " << i;
        const std::vector<std::size_t> expected =
            i < c.underlined.size() ? c.underlined[i] : std::vector<std::size_t>{};
        EXPECT_EQ(got[i].underlined, expected) << "line " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LayoutLinesTest,
    ::testing::Values(
        LinesCase{"plain", U"  Hello", false, false, {U"  Hello"}, {}},
        LinesCase{"empty", U"", false, false, {U""}, {}},
        LinesCase{"lf", U"a\nb", false, false, {U"a", U"b"}, {}},
        LinesCase{"cr", U"a\rb", false, false, {U"a", U"b"}, {}},
        LinesCase{"crlf_is_one_break", U"a\r\nb", false, false, {U"a", U"b"}, {}},
        LinesCase{"lfcr_is_two_breaks", U"a\n\rb", false, false, {U"a", U"", U"b"}, {}},
        LinesCase{"trailing_break", U"a\n", false, false, {U"a", U""}, {}},
        LinesCase{"prefix_before_break", U"a&\nb", false, false, {U"a", U"b"}, {}},
        LinesCase{"underline_on_second_line", U"x\n&y&z", false, false, {U"x", U"yz"}, {{}, {0, 1}}},
        LinesCase{"tab_kept", U"a\tb", false, false, {U"a\tb"}, {}},
        LinesCase{"no_prefix", U"A&B&&C", false, true, {U"A&B&&C"}, {}},
        LinesCase{"single_line_keeps_breaks", U"a\r\nb", true, false, {U"a\r\nb"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayoutLinesTest, TenThousandLines) {
    std::u32string text;
    for (int i = 0; i < 10000; ++i) text += U"line\n";
    const auto lines = LayoutLines(text, false, false);
    ASSERT_EQ(lines.size(), 10001u);
    EXPECT_EQ(lines[9999].text, U"line");
    EXPECT_EQ(lines[10000].text, U"");
}

struct CentreCase {
    std::int64_t left, right, width, expected;
};

TEST(CentredLeftTest, HalvesTheRoomLeftOver) {
    const CentreCase cases[] = {
        {312, 712, 72, 476},   // 312 + 328 / 2
        {312, 712, 77, 473},   // odd room: the extra pixel goes right (Wine draws 473)
        {312, 712, 627, 199},  // wider than the box: the overhang halves toward zero
        {200, 800, 10, 495},
        {0, 5, 0, 2},
        {-5, 0, 0, -3},        // toward zero, not floor
        {0, -5, 3, -4},
        {INT32_MIN, INT32_MAX, 0, -1},  // no 32-bit overflow
    };
    for (const CentreCase& c : cases) {
        EXPECT_EQ(CentredLeft(c.left, c.right, c.width), c.expected)
            << c.left << " " << c.right << " " << c.width;
    }
}

}  // namespace
}  // namespace scriblane::linuxp
