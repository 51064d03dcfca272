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

}  // namespace
}  // namespace scriblane::linuxp::overlay_protocol
