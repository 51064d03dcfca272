#include "render/render.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "render/prefix.h"

namespace scriblane {
namespace {

class RenderTest : public ::testing::Test {
protected:
    fake::FakePlatform fake;
    ColorRef back = 15464446;  // the program's DeskBackColor
};

TEST_F(RenderTest, BoxForScreens) {
    struct Case {
        std::int32_t w, h;
        Rect box;
    } cases[] = {
        {1024, 768, {312, 184, 712, 584}},  {1366, 768, {483, 184, 883, 584}},
        {641, 481, {120, 40, 520, 440}},    {1025, 769, {312, 184, 712, 584}},
        {640, 480, {200, 200, 800, 600}},   {800, 480, {200, 200, 800, 600}},
        {640, 1024, {200, 200, 800, 600}},  {0, 0, {200, 200, 800, 600}},
        {-5, 900, {200, 200, 800, 600}},    {INT32_MAX, INT32_MAX, {1073741623, 1073741623, 1073742023, 1073742023}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        fake.screenWidth = c.w;
        fake.screenHeight = c.h;
        DrawOnDesk(fake, "Hi", 30, 15, 0, "Arial", back);
        EXPECT_EQ(fake.drawnBox, c.box);
    }
}

TEST_F(RenderTest, NoScreenContextGivesTheFallbackBoxWithoutReleasing) {
    fake.windowDcResult = 0;
    DrawOnDesk(fake, "Hi", 30, 15, 0, "Arial", back);
    EXPECT_EQ(fake.drawnBox, (Rect{200, 200, 800, 600}));
    EXPECT_TRUE(fake.CallsNamed({"ReleaseDC", "GetDeviceCaps"}).empty());
}

TEST_F(RenderTest, ScreenSizeIsWrittenOnlyForLargeScreens) {
    std::int32_t w = -1, h = -1;
    fake.screenWidth = 640;
    EXPECT_FALSE(GetScreenSize(fake, w, h));
    EXPECT_EQ(w, -1);
    EXPECT_EQ(fake.CallsNamed({"ReleaseDC"}).size(), 1u);
    fake.screenWidth = 1920;
    fake.screenHeight = 1080;
    EXPECT_TRUE(GetScreenSize(fake, w, h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
}

TEST_F(RenderTest, CallsInOrderWithTheirArguments) {
    fake.screenWidth = 1024;
    fake.screenHeight = 768;
    fake.dcTextColor = 77;
    fake.dcBackColor = 88;
    back = -5;  // handed on unchanged, whatever its value
    const std::string text = "abc";
    DrawOnDesk(fake, text, -12, 0, 10114821, "Liberation Sans", back);
    const std::vector<std::string> expected{
        "CreateDCA(\"DISPLAY\", null, null, null)",
        "GetWindowDC(0x0)",
        "GetDeviceCaps(0x200, 8)",
        "GetDeviceCaps(0x200, 10)",
        "ReleaseDC(0x0, 0x200)",
        "GetTextColor(0x100)",
        "SetTextColor(0x100, 10114821)",
        "GetBkColor(0x100)",
        "SetBkColor(0x100, -5)",
        "CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, \"Liberation Sans\")",
        "SelectObject(0x100, 0x300)",
        "DrawTextA(0x100, \" abc\", 4, 312,184,712,584, 261)",
        "SelectObject(0x100, 0x400)",
        "DeleteObject(0x300)",
        "SetTextColor(0x100, 77)",
        "SetBkColor(0x100, 88)",
        "DeleteDC(0x100)",
    };
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(fake.liveObjects.empty());
}

TEST_F(RenderTest, TextColorRule) {
    struct Case {
        std::int32_t given, drawn;
    } cases[] = {{0, 0},          {1, 1},          {16777215, 16777215}, {16777216, 0},
                 {-1, 0},         {INT32_MIN, 0},  {INT32_MAX, 0},       {10114821, 10114821}};
    for (const auto& c : cases) {
        fake.ClearCalls();
        DrawOnDesk(fake, "x", 30, 15, c.given, "Arial", back);
        EXPECT_EQ(fake.CallsNamed({"SetTextColor"}).front(),
                  "SetTextColor(0x100, " + std::to_string(c.drawn) + ")")
            << "given " << c.given;
    }
}

TEST_F(RenderTest, EmptyTextDrawsOneSpace) {
    DrawOnDesk(fake, "", 0, 0, 0, "", back);
    EXPECT_EQ(fake.drawnText, " ");
}

TEST_F(RenderTest, NoDisplayContextDoesNothingElse) {
    fake.createDcResult = 0;
    DrawOnDesk(fake, "x", 30, 15, 0, "Arial", back);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"CreateDCA(\"DISPLAY\", null, null, null)"});
}

// A platform failure part-way must stay silent and give back what was made.
TEST_F(RenderTest, FailuresReleaseEverythingAndStaySilent) {
    for (const char* op : {"GetTextColor", "SetBkColor", "CreateFontA", "SelectObject",
                           "DrawTextA", "GetDeviceCaps"}) {
        SCOPED_TRACE(op);
        fake.liveObjects.clear();
        fake.failOn = op;
        EXPECT_NO_THROW(DrawOnDesk(fake, "x", 30, 15, 0, "Arial", back));
        fake.failOn.clear();
        EXPECT_TRUE(fake.liveObjects.empty());
    }
}

// DrawText's '&' rule, as both platforms' text drawing applies it to a line.
TEST(PrefixTest, AmpersandsDrawnAndUnderlined) {
    const struct {
        std::u32string line, drawn;
        std::vector<std::size_t> underlined;
    } cases[] = {
        {U"  Hello", U"  Hello", {}},     {U"", U"", {}},
        {U"A&&B", U"A&B", {}},            {U"A&BC", U"ABC", {1}},
        {U"AB&", U"AB", {}},              {U"&&&x", U"&x", {1}},
        {U"A&&&&B", U"A&&B", {}},         {U"&y&z", U"yz", {0, 1}},
        {U"a\tb&\t", U"a\tb\t", {3}}, {U"&\u65E5&&", U"\u65E5&", {0}},
    };
    for (const auto& c : cases) {
        const auto got = ApplyPrefixes(std::u32string_view(c.line));
        EXPECT_EQ(got.drawn, c.drawn) << "case " << (&c - cases);
        EXPECT_EQ(got.underlined, c.underlined) << "case " << (&c - cases);
        // The Windows build reads the same rule in its own characters.
        const std::wstring wide(c.line.begin(), c.line.end());
        EXPECT_EQ(ApplyPrefixes(std::wstring_view(wide)).drawn,
                  std::wstring(c.drawn.begin(), c.drawn.end()));
    }
}

}  // namespace
}  // namespace scriblane
