// Command-line mode's hidden form: its font list waits for a reader and then
// reads as an eager one, under the window's real start-up.
#include "platform/linux/form/hidden_form.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>

#include "platform/fake/fake_platform.h"
#include "platform/linux/form/form_model.h"
#include "startup/program.h"
#include "window/fsb.h"
#include "window/layout.h"

namespace scriblane::linuxp {
namespace {

struct Loaded {
    explicit Loaded(const std::map<std::string, std::string>& stored) {
        fake.stored = stored;
        form.Load(MainFormSpec(), window);
    }
    fake::FakePlatform fake;
    bool notShown = false;
    HiddenForm form{"Hello", nullptr, notShown};
    Platform platform{fake, fake, form, fake};
    Program program{platform};
    fSB window{program};
};

TEST(HiddenFormTest, TheLoadListsNoFontsAndAReaderSeesTheEagerList) {
    const std::vector<std::string> fonts = ListScreenFonts();
    ASSERT_GE(fonts.size(), 2u) << "the test needs two installed families";
    struct Case {
        const char* storedFace;  // nullptr: nothing stored
        std::string selected;
    } cases[] = {
        {nullptr, fonts[0]},
        {fonts[1].c_str(), fonts[1]},
        {"Gone Sans", ""},
        {"NONE", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::map<std::string, std::string> stored;
        if (c.storedFace) stored["font"] = c.storedFace;
        Loaded l(stored);
        EXPECT_TRUE(l.form.FontListPending());
        EXPECT_FALSE(l.window.Busy);
        EXPECT_EQ(l.form.GetText(Ctl::fBox), c.selected) << (c.storedFace ? c.storedFace : "");
        EXPECT_FALSE(l.form.FontListPending());
        EXPECT_EQ(l.form.ScreenFontCount(), static_cast<std::int32_t>(fonts.size()));
        // The list as filled: each screen font once, in order, after a reader.
        EXPECT_NO_THROW(l.form.SetText(Ctl::fBox, fonts.back()));
        EXPECT_EQ(l.form.GetText(Ctl::fBox), fonts.back());
        EXPECT_THROW(l.form.SetListIndex(Ctl::fBox, static_cast<std::int32_t>(fonts.size())),
                     FormError);
    }
}

TEST(HiddenFormTest, ReadingTheScreenFontsFillsTheList) {
    Loaded l({});
    EXPECT_EQ(l.form.ScreenFont(0), ListScreenFonts().front());
    EXPECT_FALSE(l.form.FontListPending());
    EXPECT_EQ(l.form.GetText(Ctl::fBox), ListScreenFonts().front());
}

// Every family fontconfig lists (by a face's first name) is listed once, the
// best match for "sans-serif" first.
TEST(ListScreenFontsTest, ListsEveryInstalledFamilyOncePreferredFirst) {
    ASSERT_TRUE(FcInit());
    std::set<std::string> installed;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* listed = FcFontList(nullptr, all, objects);
    ASSERT_NE(listed, nullptr);
    for (int i = 0; i < listed->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(listed->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
            installed.insert(reinterpret_cast<const char*>(family));
        }
    }
    FcFontSetDestroy(listed);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(all);

    const std::vector<std::string> fonts = ListScreenFonts();
    EXPECT_EQ(std::set<std::string>(fonts.begin(), fonts.end()), installed);
    EXPECT_EQ(fonts.size(), installed.size()) << "a family listed twice";

    FcPattern* sans = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(nullptr, sans, FcMatchPattern);
    FcDefaultSubstitute(sans);
    FcResult result;
    FcPattern* best = FcFontMatch(nullptr, sans, &result);
    ASSERT_NE(best, nullptr);
    FcChar8* family = nullptr;
    ASSERT_EQ(FcPatternGetString(best, FC_FAMILY, 0, &family), FcResultMatch);
    ASSERT_FALSE(fonts.empty());
    EXPECT_EQ(fonts.front(), reinterpret_cast<const char*>(family));
    FcPatternDestroy(best);
    FcPatternDestroy(sans);
}

// One entry told without the list agrees with the list.
TEST(ListScreenFontsTest, OneEntryWithoutTheListAgreesWithIt) {
    const std::vector<std::string> fonts = ListScreenFonts();
    ASSERT_GE(fonts.size(), 2u);
    EXPECT_EQ(FirstScreenFont(), fonts.front());
    for (const std::string& face : fonts) EXPECT_TRUE(IsScreenFont(face)) << face;
    std::string upper = fonts[1];
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (const std::string& absent : {std::string(), std::string("No Such Face 9"), upper}) {
        if (std::find(fonts.begin(), fonts.end(), absent) != fonts.end()) continue;
        EXPECT_FALSE(IsScreenFont(absent)) << absent;
    }
}

// What the waiting list will show, from the requests kept during the load.
TEST(HiddenFormTest, ThePendingListTextIsWhatTheFilledListShows) {
    const std::vector<std::string> fonts = ListScreenFonts();
    ASSERT_GE(fonts.size(), 2u);
    for (const char* face : {static_cast<const char*>(nullptr), fonts[1].c_str(), "Gone Sans"}) {
        std::map<std::string, std::string> stored;
        if (face) stored["font"] = face;
        Loaded l(stored);
        ASSERT_TRUE(l.form.FontListPending());
        const std::optional<std::string> pending = l.form.PendingListText();
        ASSERT_TRUE(pending.has_value());
        EXPECT_EQ(*pending, l.form.GetText(Ctl::fBox)) << (face ? face : "");
    }
}

}  // namespace
}  // namespace scriblane::linuxp
