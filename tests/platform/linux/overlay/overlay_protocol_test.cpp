// The lines scriblane and scriblane-overlay exchange.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/overlay/overlay_protocol.h"

namespace scriblane::linuxp::overlay_protocol {
namespace {

TEST(OverlayProtocolTest, WhatIsWrittenReadsBack) {
    for (const unsigned long window : {1UL, 0x600001UL, 4294967295UL}) {
        EXPECT_EQ(ParseWindowLine(WindowLine(window)), window);
    }
    for (const native::Target target : {native::Target{1024, 768, 120}, native::Target{1, 1, 1},
                                        native::Target{1280, 720, 180}}) {
        EXPECT_EQ(ParseSurfaceLine(SurfaceLine(target)), target);
    }
    const native::Target output{1024, 768, 240};
    const auto placement = native::PlaceOnOutput(Rect{473, 184, 551, 214}, output);
    ASSERT_TRUE(placement);
    EXPECT_EQ(ParsePictureLine(PictureLine(*placement), output), placement);
}

TEST(OverlayProtocolTest, OnlyAWholeLineNamingAWindowCounts) {
    struct Case {
        const char* line;
        std::optional<unsigned long> window;
    };
    const Case cases[] = {
        {"window 6291457\n", 6291457},
        {"pixmap 6291457\n", std::nullopt},
        {"window 6291457", std::nullopt},  // cut short: the helper went away mid-line
        {"6291457\n", std::nullopt},
        {"", std::nullopt},
        {"window \n", std::nullopt},
        {"window 0\n", std::nullopt},
        {"window -1\n", std::nullopt},
        {"window 12x\n", std::nullopt},
        {"window  12\n", std::nullopt},
        {"surface 12\n", std::nullopt},
        {"window 99999999999999999999999\n", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseWindowLine(c.line), c.window) << c.line;
}

TEST(OverlayProtocolTest, OnlyAWholeSurfaceLineWithASizeAndScaleCounts) {
    const char* refused[] = {"surface 1024 768 120", "surface 1024 768\n", "surface 0 768 120\n",
                             "surface 1024 768 0\n", "surface 1024 768 120 1\n",
                             "surface -1024 768 120\n", "window 1024 768 120\n", "failed\n"};
    for (const char* line : refused) EXPECT_EQ(ParseSurfaceLine(line), std::nullopt) << line;
    EXPECT_EQ(ParseSurfaceLine("surface 1024 768 180\n"), (native::Target{1024, 768, 180}));
}

TEST(OverlayProtocolTest, APictureIsTakenOnlyAsTheHelperWouldPlaceItOnItsOutput) {
    const native::Target output{1024, 768, 240};
    struct Case {
        const char* line;
        bool taken;
    };
    const Case cases[] = {
        {"picture 473 184 551 214 156 60\n", true},
        {"picture 473 184 551 214 156 60", false},   // cut short
        {"picture 473 184 551 214 78 30\n", false},  // not at the output's scale
        // Pixels beyond the surface's: more than the helper would ever take.
        {"picture 473 184 551 214 100000 100000\n", false},
        {"picture 0 0 2000 214 4000 428\n", false},  // wider than the output
        {"picture 0 800 10 810 20 20\n", false},     // off it
        {"picture 473 184 551 214 156\n", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParsePictureLine(c.line, output).has_value(), c.taken) << c.line;
    }
}

}  // namespace
}  // namespace scriblane::linuxp::overlay_protocol
