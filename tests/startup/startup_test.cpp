#include "startup/startup.h"

#include <gtest/gtest.h>

#include "dialogs/cbrowse.h"
#include "platform/fake/fake_platform.h"
#include "render/render.h"
#include "window/fsb.h"

namespace scriblane {
namespace {

class StartupTest : public ::testing::Test {
protected:
    fake::FakePlatform fake;
    Program program{fake.platform()};
};

TEST_F(StartupTest, CommandLineDrawsWithDefaultsAndEnds) {
    fake.commandLine = "Hello";
    Main(program);
    EXPECT_EQ(fake.drawnText, "  Hello");
    EXPECT_EQ(fake.CallsNamed({"CreateFontA"}).front(),
              "CreateFontA(30, 15, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, \"arial\")");
    EXPECT_EQ(fake.CallsNamed({"SetTextColor"}).front(), "SetTextColor(0x100, 10114821)");
    EXPECT_EQ(fake.CallsNamed({"SetBkColor"}).front(), "SetBkColor(0x100, 15464446)");
    EXPECT_EQ(fake.ended, 1);
    EXPECT_TRUE(fake.CallsNamed({"Show", "MsgBox", "Move"}).empty());
    // The window is loaded first, then the command line is read and the store
    // is read again with the command line's own defaults.
    const auto reads = fake.CallsNamed({"Load", "Command", "GetSetting"});
    const std::vector<std::string> expected{
        "Load(Scriblane)",
        "GetSetting(Scriblane, settings, colorB, 20000000)",
        "GetSetting(Scriblane, settings, colorT, 20000000)",
        "GetSetting(Scriblane, settings, tw, 15)",
        "GetSetting(Scriblane, settings, th, 30)",
        "GetSetting(Scriblane, settings, font, none)",
        "Command()",
        "GetSetting(Scriblane, settings, colorB, 15464446)",
        "GetSetting(Scriblane, settings, colorT, 10114821)",
        "GetSetting(Scriblane, settings, tw, 15)",
        "GetSetting(Scriblane, settings, th, 30)",
        "GetSetting(Scriblane, settings, font, none)",
    };
    EXPECT_EQ(reads, expected);
    const auto tail = std::vector<std::string>(fake.calls.end() - 2, fake.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Unload()", "End(0)"}));
}

TEST_F(StartupTest, CommandLineUsesStoredValues) {
    struct Case {
        std::map<std::string, std::string> stored;
        std::string font, textColor, backColor;
        std::int32_t height, width;
    } cases[] = {
        {{{"colorB", "-5"}, {"colorT", "255"}, {"tw", " 12.5 "}, {"th", "13.5"}, {"font", "None"}},
         "None", "255", "-5", 14, 12},
        {{{"colorB", "abc"}, {"colorT", "x"}, {"tw", ""}, {"th", "q"}, {"font", ""}},
         "", "10114821", "15464446", 30, 15},
        {{{"colorB", "16777216"}, {"colorT", "-1"}, {"font", "none"}},
         "arial", "0", "16777216", 30, 15},
    };
    for (const auto& c : cases) {
        fake::FakePlatform f;
        f.stored = c.stored;
        f.commandLine = "x";
        Program fresh(f.platform());
        Main(fresh);
        EXPECT_EQ(f.CallsNamed({"CreateFontA"}).front(),
                  "CreateFontA(" + std::to_string(c.height) + ", " + std::to_string(c.width) +
                      ", 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, \"" + c.font + "\")");
        EXPECT_EQ(f.CallsNamed({"SetTextColor"}).front(), "SetTextColor(0x100, " + c.textColor + ")");
        EXPECT_EQ(f.CallsNamed({"SetBkColor"}).front(), "SetBkColor(0x100, " + c.backColor + ")");
        EXPECT_EQ(f.ended, 1);
    }
}

TEST_F(StartupTest, AStoredNumberBeyond32BitsDrawsNothingAndEndsNormally) {
    for (const char* key : {"colorB", "colorT", "tw", "th"}) {
        SCOPED_TRACE(key);
        fake::FakePlatform f;
        f.stored[key] = "99999999999";
        f.commandLine = "x";
        Program fresh(f.platform());
        Main(fresh);
        EXPECT_TRUE(f.CallsNamed({"CreateDCA"}).empty());
        EXPECT_TRUE(f.messages.empty());
        EXPECT_EQ(f.ended, 1);
    }
}

TEST_F(StartupTest, ArgumentIsDrawnAsHandedOver) {
    fake.commandLine = "\"two words\"  and &more";
    Main(program);
    EXPECT_EQ(fake.drawnText, "  \"two words\"  and &more");
    EXPECT_EQ(program.CmdText, " \"two words\"  and &more");
}

TEST_F(StartupTest, WindowModePlacesAndShows) {
    fake.workArea = {0, 0, 1920, 1040};
    fake.outerWidth = 4800;
    fake.outerHeight = 3600;
    Main(program);
    const auto tail = fake.CallsNamed({"SystemParametersInfoA", "Move", "Show", "End"});
    EXPECT_EQ(tail, (std::vector<std::string>{"SystemParametersInfoA(48, 0, 0,0,0,0, 0)",
                                              "Move(24000, 12000)", "Show()"}));
    EXPECT_EQ(fake.ended, 0);
    EXPECT_TRUE(fake.CallsNamed({"CreateDCA"}).empty());
}

TEST_F(StartupTest, PlaceFormRoundsHalvesToEvenAndSkipsAnEmptyWorkArea) {
    struct Case {
        Rect area;
        double tppX, outerW;
        std::vector<std::string> moves;
    } cases[] = {
        {{0, 0, 0, 700}, 15, 4800, {}},
        {{0, 0, 101, 100}, 12.5, 100.5, {"Move(1162, 1150)"}},  // 1262.5 -> 1262; 100.5 -> 100
        {{0, 0, 103, 100}, 12.5, 101.5, {"Move(1186, 1150)"}},  // 1287.5 -> 1288; 101.5 -> 102
        {{0, 0, 101, 100}, 12.5, 100, {"Move(1162, 1150)"}},    // only x a half: 1262.5 -> 1262
        {{0, 0, 2000000000, 100}, 15, 0, {}},                    // beyond 32 bits: not moved
    };
    for (const auto& c : cases) {
        fake::FakePlatform f;
        f.workArea = c.area;
        f.twipsX = c.tppX;
        f.twipsY = 12.5;
        f.outerWidth = c.outerW;
        f.outerHeight = 100;
        PlaceForm(f.platform());
        EXPECT_EQ(f.CallsNamed({"Move"}), c.moves);
    }
}

TEST_F(StartupTest, ShutDownReleasesTheDialogObjectAndEnds) {
    Main(program);
    CommonDialog(program);
    ASSERT_TRUE(program.CommonDlg);
    std::int32_t cancel = 0;
    fake.events->OnUnload(cancel);
    EXPECT_EQ(cancel, 1);
    EXPECT_FALSE(program.CommonDlg);
    EXPECT_FALSE(program.MainForm);
    EXPECT_EQ(fake.ended, 1);
    EXPECT_EQ(fake.CallsNamed({"Unload"}).size(), 1u);
}

TEST_F(StartupTest, AFailingLoadIsReportedAndEndsTheProgram) {
    fake.failOn = "SetBackColor";
    RunMain(program);
    EXPECT_EQ(fake.ended, 1);
    EXPECT_EQ(fake.CallsNamed({"End"}), std::vector<std::string>{"End(1)"});
    EXPECT_TRUE(fake.CallsNamed({"Show", "Command"}).empty());
}

}  // namespace
}  // namespace scriblane
