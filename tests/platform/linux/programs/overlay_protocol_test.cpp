// The lines scriblane and scriblane-overlay exchange.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/programs/overlay_protocol.h"

namespace scriblane::linuxp::overlay_protocol {
namespace {

TEST(OverlayProtocolTest, AWindowLineReadsBackAsTheWindow) {
    for (const unsigned long window : {1UL, 0x600001UL, 4294967295UL}) {
        EXPECT_EQ(ParseWindowLine(WindowLine(window)), window);
    }
}

TEST(OverlayProtocolTest, OnlyAWholeLineWithAWindowCounts) {
    struct Case {
        const char* line;
        std::optional<unsigned long> window;
    };
    const Case cases[] = {
        {"6291457\n", 6291457},
        {"6291457", std::nullopt},  // cut short: the helper went away mid-line
        {"", std::nullopt},
        {"\n", std::nullopt},
        {"0\n", std::nullopt},
        {"-1\n", std::nullopt},
        {"12x\n", std::nullopt},
        {" 12\n", std::nullopt},
        {"99999999999999999999999\n", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseWindowLine(c.line), c.window) << c.line;
}

}  // namespace
}  // namespace scriblane::linuxp::overlay_protocol
