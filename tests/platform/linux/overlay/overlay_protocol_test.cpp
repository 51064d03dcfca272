// The lines scriblane and scriblane-overlay exchange.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/overlay/overlay_protocol.h"

namespace scriblane::linuxp::overlay_protocol {
namespace {

TEST(OverlayProtocolTest, WhatIsWrittenReadsBack) {
    for (const Held held : {Held{Held::kWindow, 1}, Held{Held::kWindow, 0x600001},
                            Held{Held::kPixmap, 4294967295UL}}) {
        EXPECT_EQ(ParseHeldLine(HeldLine(held)), held);
    }
    for (const Rect box : {Rect{0, 0, 1, 1}, Rect{-20, -5, 1024, 768}, Rect{100, 184, 924, 244}}) {
        EXPECT_EQ(ParseShowLine(ShowLine(box)), box);
    }
}

TEST(OverlayProtocolTest, OnlyAWholeLineNamingAWindowOrPixmapCounts) {
    struct Case {
        const char* line;
        std::optional<Held> held;
    };
    const Case cases[] = {
        {"window 6291457\n", Held{Held::kWindow, 6291457}},
        {"pixmap 6291457\n", Held{Held::kPixmap, 6291457}},
        {"window 6291457", std::nullopt},  // cut short: the helper went away mid-line
        {"6291457\n", std::nullopt},
        {"", std::nullopt},
        {"window \n", std::nullopt},
        {"window 0\n", std::nullopt},
        {"window -1\n", std::nullopt},
        {"window 12x\n", std::nullopt},
        {"window  12\n", std::nullopt},
        {"picture 12\n", std::nullopt},
        {"window 99999999999999999999999\n", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseHeldLine(c.line), c.held) << c.line;
}

TEST(OverlayProtocolTest, OnlyAWholeShowLineWithABoxCounts) {
    struct Case {
        const char* line;
        std::optional<Rect> box;
    };
    const Case cases[] = {
        {"show 1 2 3 4\n", Rect{1, 2, 3, 4}},
        {"show -3 -4 3 4\n", Rect{-3, -4, 3, 4}},
        {"show 1 2 3 4", std::nullopt},
        {"show 1 2 3\n", std::nullopt},
        {"show 1 2 3 4 5\n", std::nullopt},
        {"show 3 2 1 4\n", std::nullopt},  // empty: right before left
        {"show 1 4 3 4\n", std::nullopt},  // empty: no height
        {"show 1 2 3 99999999999\n", std::nullopt},
        {"shown\n", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseShowLine(c.line), c.box) << c.line;
}

}  // namespace
}  // namespace scriblane::linuxp::overlay_protocol
