#include "window/fsb.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/fake/fake_platform.h"
#include "render/render.h"
#include "startup/startup.h"
#include "window/face_list.h"
#include "window/layout.h"

namespace scriblane {
namespace {

class WindowTest : public ::testing::Test {
protected:
    // Loads the window as start-up does and forgets the calls it made.
    fSB& Load() {
        form = std::make_unique<fSB>(program);
        fake.Load(MainFormSpec(), *form);
        fake.ClearCalls();
        return *form;
    }
    fake::FakePlatform fake;
    Program program{fake.platform()};
    std::unique_ptr<fSB> form;
};

TEST_F(WindowTest, StartUpWithNothingStored) {
    fake.sysColor = 0x804000;
    fSB& w = Load();
    EXPECT_EQ(fake.colors[Ctl::PicT], 0);
    EXPECT_EQ(fake.colors[Ctl::PicBk], 0x804000);
    EXPECT_EQ(program.DeskBackColor, 0x804000);
    EXPECT_EQ(fake.texts[Ctl::tW], "15");
    EXPECT_EQ(fake.texts[Ctl::tH], "30");
    EXPECT_EQ(fake.items, fake.fontList);
    EXPECT_EQ(fake.listIndex, 0);
    EXPECT_FALSE(w.Busy);
}

TEST_F(WindowTest, StartUpCallOrder) {
    form = std::make_unique<fSB>(program);
    fake.fontList = {"B", "A"};
    form->OnLoad();
    const std::vector<std::string> expected{
        "SetBackColor(PicT, 0)",
        "GetSetting(Scriblane, settings, colorB, 20000000)",
        "GetSysColor(1)",
        "SetBackColor(PicBk, 8404992)",
        "Refresh(PicBk)",
        "GetSetting(Scriblane, settings, colorT, 20000000)",
        "SetBackColor(PicT, 0)",
        "Refresh(PicT)",
        "GetSetting(Scriblane, settings, tw, 15)",
        "SetText(tW, 15)",
        "GetSetting(Scriblane, settings, th, 30)",
        "SetText(tH, 30)",
        "ScreenFontCount()",
        "ScreenFont(0)",
        "AddItem(fBox, B)",
        "ScreenFont(1)",
        "AddItem(fBox, A)",
        "GetSetting(Scriblane, settings, font, none)",
        "SetListIndex(fBox, 0)",
    };
    EXPECT_EQ(fake.calls, expected);
}

TEST_F(WindowTest, StartUpFallbacksPerKey) {
    struct Case {
        std::map<std::string, std::string> stored;
        ColorRef sysColor;
        ColorRef desk, text;
        std::string tw, th;
        int listIndex;
    } cases[] = {
        {{{"colorB", "0"}, {"colorT", "16777215"}}, 5, 0, 16777215, "15", "30", 0},
        {{{"colorB", "16777215"}}, 5, 16777215, 0, "15", "30", 0},
        {{{"colorB", "16777216"}, {"colorT", "abc"}}, 5, 5, 0, "15", "30", 0},
        {{{"colorB", "-1"}}, 5, 5, 0, "15", "30", 0},
        {{{"colorB", "99999999999"}, {"colorT", "99999999999"}}, 5, 5, 0, "15", "30", 0},
        {{{"colorB", "x"}}, -1, 16777215, 0, "15", "30", 0},
        {{{"colorB", "x"}}, 16777216, 16777215, 0, "15", "30", 0},
        {{{"tw", " 12.5 "}, {"th", "abc"}}, 5, 5, 0, " 12.5 ", "", 0},
        {{{"font", "Courier New"}}, 5, 5, 0, "15", "30", 1},
        {{{"font", "NONE"}}, 5, 5, 0, "15", "30", -1},
        {{{"font", ""}}, 5, 5, 0, "15", "30", -1},
        {{{"font", "Gone Sans"}}, 5, 5, 0, "15", "30", -1},
    };
    for (const auto& c : cases) {
        fake::FakePlatform f;
        f.stored = c.stored;
        f.sysColor = c.sysColor;
        Program fresh(f.platform());
        fSB w(fresh);
        w.Busy = true;
        f.Load(MainFormSpec(), w);
        EXPECT_EQ(fresh.DeskBackColor, c.desk);
        EXPECT_EQ(f.colors[Ctl::PicBk], c.desk);
        EXPECT_EQ(f.colors[Ctl::PicT], c.text);
        EXPECT_EQ(f.texts[Ctl::tW], c.tw);
        EXPECT_EQ(f.texts[Ctl::tH], c.th);
        EXPECT_EQ(f.listIndex, c.listIndex);
        EXPECT_FALSE(w.Busy);
    }
}

TEST_F(WindowTest, StartUpSurvivesFailingFontsAndAnEmptyFontList) {
    fake.fontList = {};
    fSB& w = Load();
    EXPECT_TRUE(fake.items.empty());
    EXPECT_EQ(fake.listIndex, -1);
    EXPECT_FALSE(w.Busy);

    fake::FakePlatform f;
    f.failOn = "ScreenFont";
    Program fresh(f.platform());
    fSB w2(fresh);
    w2.Busy = true;
    EXPECT_NO_THROW(f.Load(MainFormSpec(), w2));
    EXPECT_FALSE(w2.Busy);
}

TEST_F(WindowTest, WriteReadsTheEntriesAndDraws) {
    struct Case {
        std::string text, th, tw, face;
        ColorRef color;
        std::string drawn, font;
    } cases[] = {
        {"Hi", "abc", "", "", 255, " Hi", "CreateFontA(30, 15, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, \"Arial\")"},
        {"   ", " 12.5 ", "13.5", "B", 0, "    ", "CreateFontA(12, 14, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, \"B\")"},
        {"a\r\nb", "0", "-5", "A", 1, " a\r\nb", "CreateFontA(0, -5, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, \"A\")"},
    };
    for (const auto& c : cases) {
        fake::FakePlatform f;
        f.fontList = {"A", "B"};
        Program fresh(f.platform());
        fSB w(fresh);
        f.Load(MainFormSpec(), w);
        f.texts[Ctl::tText] = c.text;
        f.texts[Ctl::tH] = c.th;
        f.texts[Ctl::tW] = c.tw;
        f.listIndex = c.face.empty() ? -1 : (c.face == "A" ? 0 : 1);
        f.colors[Ctl::PicT] = c.color;
        w.OnClick(Ctl::bWrite);
        EXPECT_EQ(f.drawnText, c.drawn);
        EXPECT_EQ(f.CallsNamed({"CreateFontA"}).front(), c.font);
        EXPECT_EQ(f.CallsNamed({"SetTextColor"}).front(),
                  "SetTextColor(0x100, " + std::to_string(c.color) + ")");
        EXPECT_FALSE(w.Busy);
        EXPECT_TRUE(f.messages.empty());
    }
}

TEST_F(WindowTest, WriteRefusesEmptyTextAndBadSizes) {
    fSB& w = Load();
    bool busyDuringBox = false;
    fake.onMsgBox = [&] { busyDuringBox = w.Busy; };
    w.OnClick(Ctl::bWrite);
    EXPECT_EQ(fake.messages.back(), (std::pair<std::string, std::int32_t>{"No text entered.", 64}));
    EXPECT_TRUE(busyDuringBox);  // cleared only after the box is closed
    EXPECT_FALSE(w.Busy);

    fake.texts[Ctl::tText] = "x";
    fake.texts[Ctl::tH] = "99999999999";
    w.OnClick(Ctl::bWrite);
    EXPECT_EQ(fake.messages.back(),
              (std::pair<std::string, std::int32_t>{"Error. One of your entries may be invalid.", 64}));
    EXPECT_FALSE(busyDuringBox);  // cleared before this box
    EXPECT_TRUE(fake.CallsNamed({"CreateDCA"}).empty());

    fake.texts[Ctl::tH] = "30";
    fake.onMsgBox = nullptr;
    w.OnClick(Ctl::bWrite);
    EXPECT_EQ(fake.drawnText, " x");
}

TEST_F(WindowTest, GuardedCommandsDoNothingWhileBusyOthersStillAct) {
    fSB& w = Load();
    fake.texts[Ctl::tText] = "";
    fake.msgBoxAnswer = 7;
    std::vector<std::string> inner;
    fake.onMsgBox = [&] {
        if (fake.messages.size() != 1) return;
        fake.ClearCalls();
        for (Ctl c : {Ctl::bWrite, Ctl::bCol, Ctl::bcolBK}) w.OnClick(c);
        inner = fake.calls;
        w.OnClick(Ctl::bUseDeskCol);
        w.OnClick(Ctl::bHelp);
        w.OnClick(Ctl::bSave);
    };
    w.OnClick(Ctl::bWrite);
    EXPECT_TRUE(inner.empty());
    EXPECT_EQ(fake.messages.size(), 3u);  // the refusal, the help, the save question
    EXPECT_EQ(fake.CallsNamed({"GetSysColor"}).size(), 1u);
    EXPECT_FALSE(w.Busy);
}

TEST_F(WindowTest, ColorCommands) {
    struct Case {
        Ctl button, swatch;
        std::int32_t dialogResult;
        ColorRef chosen;
        ColorRef expectSwatch, expectDesk;
    } cases[] = {
        {Ctl::bCol, Ctl::PicT, 1, 255, 255, 99},
        {Ctl::bCol, Ctl::PicT, 0, 255, 7, 99},
        {Ctl::bcolBK, Ctl::PicBk, 1, 255, 255, 255},
        {Ctl::bcolBK, Ctl::PicBk, 0, 255, 7, 99},
        {Ctl::bcolBK, Ctl::PicBk, 1, 16777216, 7, 99},  // not a plain colour: as cancelled
    };
    for (const auto& c : cases) {
        fake::FakePlatform f;
        Program fresh(f.platform());
        fSB w(fresh);
        f.Load(MainFormSpec(), w);
        f.colors[c.swatch] = 7;
        fresh.DeskBackColor = 99;
        f.dialogResult = c.dialogResult;
        f.dialogColor = c.chosen;
        w.OnClick(c.button);
        EXPECT_EQ(f.colors[c.swatch], c.expectSwatch);
        EXPECT_EQ(fresh.DeskBackColor, c.expectDesk);
        EXPECT_EQ(f.lastColorRecord->rgbResult, 7);  // starts from the swatch
        EXPECT_EQ(f.lastColorRecord->hwndOwner, fake::FakePlatform::kHwnd);
        EXPECT_FALSE(w.Busy);
    }
}

TEST_F(WindowTest, ColorCommandFailures) {
    fSB& w = Load();
    fake.colors[Ctl::PicBk] = 7;
    program.DeskBackColor = 99;
    fake.failOn = "GetBackColor";
    w.OnClick(Ctl::bcolBK);
    EXPECT_EQ(program.DeskBackColor, 16777215);
    EXPECT_EQ(fake.colors[Ctl::PicBk], 7);
    EXPECT_FALSE(w.Busy);

    program.DeskBackColor = 99;
    w.OnClick(Ctl::bCol);
    EXPECT_EQ(program.DeskBackColor, 99);
    EXPECT_FALSE(w.Busy);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(WindowTest, UseDeskColor) {
    struct Case {
        ColorRef sys;
        bool fail;
        ColorRef swatch, desk;
    } cases[] = {
        {0x123456, false, 0x123456, 0x123456},
        {16777216, false, 7, 99},
        {-1, false, 7, 99},
        {0x123456, true, 7, 16777215},
    };
    for (const auto& c : cases) {
        fake::FakePlatform f;
        Program fresh(f.platform());
        fSB w(fresh);
        f.Load(MainFormSpec(), w);
        f.colors[Ctl::PicBk] = 7;
        fresh.DeskBackColor = 99;
        f.sysColor = c.sys;
        if (c.fail) f.failOn = "GetSysColor";
        w.Busy = true;
        w.OnClick(Ctl::bUseDeskCol);
        EXPECT_EQ(f.colors[Ctl::PicBk], c.swatch);
        EXPECT_EQ(fresh.DeskBackColor, c.desk);
        EXPECT_TRUE(w.Busy);  // neither tested nor changed
    }
}

TEST_F(WindowTest, SaveSettings) {
    fSB& w = Load();
    fake.texts[Ctl::tW] = "abc";
    fake.texts[Ctl::tH] = " 40 ";
    fake.colors[Ctl::PicT] = 255;
    fake.colors[Ctl::PicBk] = 65280;
    program.DeskBackColor = 1;  // the swatch is stored, not this

    fake.msgBoxAnswer = 7;
    w.OnClick(Ctl::bSave);
    EXPECT_EQ(fake.messages.back().first,
              "Default settings will appear at program open and be used when Scriblane is run "
              "by command with a parameter. Save these settings as the default font, color and "
              "size?");
    EXPECT_EQ(fake.messages.back().second, 36);
    EXPECT_TRUE(fake.CallsNamed({"SaveSetting"}).empty());

    fake.msgBoxAnswer = 6;
    w.OnClick(Ctl::bSave);
    EXPECT_EQ(fake.CallsNamed({"SaveSetting"}),
              (std::vector<std::string>{"SaveSetting(Scriblane, settings, th,  40 )",
                                        "SaveSetting(Scriblane, settings, font, Arial)",
                                        "SaveSetting(Scriblane, settings, colorT, 255)",
                                        "SaveSetting(Scriblane, settings, colorB, 65280)"}));
    EXPECT_EQ(fake.messages.size(), 2u);  // no confirmation after saving
}

TEST_F(WindowTest, ARefusedSaveIsReportedAndTheWindowStays) {
    struct Case {
        const char* width;
        const char* refused;
        std::set<std::string> written;
        const char* lastLine;  // of the message: only what is true
    };
    const Case cases[] = {
        {"15", "colorT", {"tw", "th", "font"}, "Settings written before the failure were kept."},
        {"15", "th", {"tw"}, "Settings written before the failure were kept."},
        {"15", "tw", {}, "No setting was written."},
        {"abc", "th", {}, "No setting was written."},
    };
    for (const Case& c : cases) {
        fake.stored.clear();
        fSB& w = Load();
        fake.texts[Ctl::tText] = "keep me";
        fake.texts[Ctl::tW] = c.width;
        fake.texts[Ctl::tH] = "30";
        fake.msgBoxAnswer = 6;
        fake.refuseWrites = {c.refused};
        w.OnClick(Ctl::bSave);
        EXPECT_EQ(fake.ended, 0);
        const auto& [message, style] = fake.messages.back();
        EXPECT_EQ(style, 48);
        EXPECT_NE(message.find(std::string("the store refused ") + c.refused), std::string::npos);
        const std::string tail = message.substr(message.rfind("\r\n") + 2);
        EXPECT_EQ(tail, c.lastLine) << c.refused;
        std::set<std::string> stored;
        for (const auto& [key, value] : fake.stored) stored.insert(key);
        EXPECT_EQ(stored, c.written) << c.refused;
        EXPECT_EQ(fake.texts[Ctl::tText], "keep me");
    }
}

TEST_F(WindowTest, HelpTextByteForByte) {
    fSB& w = Load();
    w.OnClick(Ctl::bHelp);
    const std::string expected =
        "Enter text to show on screen.\r\n"
        "Choose size of letters in pixels. The default size is 30 x 15 pixels.\r\n"
        "Choose font face.\r\n"
        "Choose color for text. Selected color shows under color selector button.\r\n"
        "Choose color for background. If not selected the color will be that of the Desktop.\r\n"
        "Click the SAVE SETTINGS button to make current settings the default.\r\n"
        "The USE DESK COLOR button will set background color to Desktop color.\r\n"
        "\r\n"
        "Note: The text is written at center-screen and will disappear when you close whatever "
        "is behind it. If you write on the Desktop it will disappear when you refresh the "
        "Desktop. To do that: Right-click on Desktop and click Refresh.";
    EXPECT_EQ(fake.messages.back(), (std::pair<std::string, std::int32_t>{expected, 0}));
}

TEST(LayoutTest, TabCycleStackingAndContainment) {
    std::vector<std::string> order;
    for (const ControlSpec* c : TabOrder(MainFormSpec())) order.push_back(c->name);
    EXPECT_EQ(order, (std::vector<std::string>{"tText", "PicBk", "bcolBK", "bCol", "PicT", "tW",
                                               "tH", "fBox", "bWrite", "bHelp", "bSave",
                                               "bUseDeskCol"}));
    const auto stacking = StackingOrder(MainFormSpec());
    ASSERT_EQ(stacking.size(), MainFormSpec().controls.size());
    // Labels keep their place among the tab indexes; lines follow; the frame is last.
    EXPECT_STREQ(stacking[1]->name, "Label1");
    EXPECT_EQ(stacking[stacking.size() - 2]->kind, ControlKind::Line);
    EXPECT_EQ(stacking.back()->id, Ctl::Frame1);
    for (std::size_t i = 0; i < MainFormSpec().controls.size(); ++i) {
        const ControlSpec& c = MainFormSpec().controls[i];
        EXPECT_EQ(static_cast<std::size_t>(c.id), i);
        if (TakesFocus(c)) EXPECT_EQ(c.inFrame, c.id != Ctl::tText) << c.name;
    }
}

TEST(LayoutTest, TwipsToPixelsAtEachDpi) {
    const struct {
        int twips;
        double dpi;
        int want;
    } cases[] = {
        {4350, 96, 290}, {3540, 96, 236}, {4350, 120, 363} /* 362.5 rounds up */, {3540, 120, 295},
        {3540, 144, 354}, {7, 96, 0}, {8, 96, 1}, {0, 96, 0}, {-45, 96, -3}, {-52, 96, -3},
        {-53, 96, -4}, {300, 192, 40},
        // A DPI that is no sensible number counts as 96.
        {4350, 0, 290}, {4350, -96, 290}, {4350, 1e9, 290},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TwipsToPixels(c.twips, TwipsPerPixelAt(c.dpi)), c.want)
            << c.twips << " twips at " << c.dpi << " dpi";
    }
}

TEST(FaceListTest, KeepsOrderSkipsRepeatsAndEmpty) {
    FaceList list;
    const struct {
        const char* face;
        bool taken;
    } steps[] = {
        {"Tahoma", true}, {"Arial", true}, {"Arial", false}, {"", false},
        {"MS Gothic", true}, {"arial", true}, {"Tahoma", false},
    };
    for (const auto& s : steps) EXPECT_EQ(list.Add(s.face), s.taken) << s.face;
    EXPECT_EQ(list.names(), (std::vector<std::string>{"Tahoma", "Arial", "MS Gothic", "arial"}));
}

}  // namespace
}  // namespace scriblane
