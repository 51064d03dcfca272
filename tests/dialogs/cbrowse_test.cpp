#include "dialogs/cbrowse.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace scriblane {
namespace {

class CBrowseTest : public ::testing::Test {
protected:
    fake::FakePlatform fake;
    cBrowse browse{fake.platform()};
};

TEST_F(CBrowseTest, ColorRecordAndAnswers) {
    struct Case {
        std::int32_t last, result;
        ColorRef chosen;
        std::int32_t expected;
    } cases[] = {
        {255, 0, 0, -1},                // cancelled
        {255, 1, 255, 255},             // confirmed unchanged
        {-1, 1, 0, 0},                  // any start colour is passed on
        {16777216, 1, 16777215, 16777215},
        {5, 1, 16777216, -1},           // not a plain colour
        {5, 1, -7, -1},
    };
    for (const auto& c : cases) {
        fake.dialogResult = c.result;
        fake.dialogColor = c.chosen;
        EXPECT_EQ(browse.dcolor(0x77, c.last), c.expected);
        const ChooseColorRecord& r = *fake.lastColorRecord;
        EXPECT_EQ(r.lStructSize, 36u);
        EXPECT_EQ(r.hwndOwner, 0x77u);
        EXPECT_EQ(r.hInstance, fake::FakePlatform::kInstance);
        EXPECT_EQ(r.rgbResult, c.last);
        EXPECT_EQ(r.Flags, 3u);
        EXPECT_EQ(r.lCustData, 0);
        EXPECT_EQ(r.lpfnHook, nullptr);
        EXPECT_EQ(r.lpTemplateName, nullptr);
        // The fake dialog defines custom colours; the next call starts black again.
        EXPECT_EQ(fake.lastCustomColors, std::vector<ColorRef>(16, 0));
    }
}

TEST_F(CBrowseTest, AFailingColorDialogAnswersMinusOne) {
    fake.failOn = "ChooseColorA";
    EXPECT_EQ(browse.dcolor(1, 2), -1);
}

TEST_F(CBrowseTest, FileRecords) {
    fake.dialogResult = 1;
    fake.dialogPath = "/tmp/a.txt";
    EXPECT_EQ(browse.dOpen(0x9, "Open it", "Text files", "*.txt"), "/tmp/a.txt");
    const OpenFileNameRecord& r = *fake.lastFileRecord;
    EXPECT_EQ(r.lStructSize, 76u);
    EXPECT_EQ(r.hwndOwner, 0x9u);
    EXPECT_EQ(r.hInstance, fake::FakePlatform::kInstance);
    EXPECT_EQ(r.nFilterIndex, 1u);
    EXPECT_EQ(r.nMaxFile, 255u);
    EXPECT_EQ(r.Flags, 0u);
    EXPECT_EQ(r.lpstrCustomFilter, nullptr);
    EXPECT_EQ(r.lpstrFileTitle, nullptr);
    EXPECT_EQ(r.lpstrInitialDir, nullptr);
    EXPECT_EQ(r.nMaxCustFilter + r.nMaxFileTitle, 0u);
    EXPECT_EQ(fake.lastFilter, std::string("Text files\0*.txt\0\0", 18));
    EXPECT_EQ(fake.lastTitle, "Open it");
    EXPECT_EQ(fake.lastDefExt, "(null)");

    EXPECT_EQ(browse.dsave(0x9, "Save it", "All", "*.*", "txt"), "/tmp/a.txt");
    EXPECT_EQ(fake.lastDefExt, "txt");
    EXPECT_EQ(fake.CallsNamed({"GetSaveFileNameA"}).size(), 1u);
}

TEST_F(CBrowseTest, FileAnswers) {
    const std::string longest(254, 'p');
    struct Case {
        std::int32_t result;
        std::string path, expected;
        bool fail;
    } cases[] = {
        {0, "/x", "", false},
        {1, longest, longest, false},
        {1, "/x", "", true},
    };
    for (const auto& c : cases) {
        fake.dialogResult = c.result;
        fake.dialogPath = c.path;
        fake.failOn = c.fail ? "GetOpenFileNameA" : "";
        EXPECT_EQ(browse.dOpen(1, "t", "n", "e"), c.expected);
    }
}

}  // namespace
}  // namespace scriblane
