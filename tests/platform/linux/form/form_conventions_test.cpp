// The window's Win32 conventions on Linux, and the X resources it reads.
#include "platform/linux/form/form_conventions.h"

#include <gtest/gtest.h>

#include "platform/linux/x11/x11_screen_info.h"
#include "window/layout.h"

namespace scriblane::linuxp {
namespace {

struct ColorCase {
    ColorRef ref;
    Rgb rgb;
};

TEST(ColorRefToRgb, RedIsTheLowByte) {
    const ColorCase cases[] = {
        {0x000000FF, {255, 0, 0}},
        {0x0000FF00, {0, 255, 0}},
        {0x00FF0000, {0, 0, 255}},
        {15464446, {254, 247, 235}},
        {10114821, {5, 87, 154}},
        {static_cast<ColorRef>(0x80123456), {0x56, 0x34, 0x12}},  // high bits ignored
        {-1, {255, 255, 255}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ColorRefToRgb(c.ref), c.rgb) << c.ref;
    }
}

TEST(RgbToColorRef, RoundTripsEveryPlainColourChannel) {
    for (int v = 0; v < 256; v += 17) {
        for (const Rgb rgb : {Rgb{v, 0, 0}, Rgb{0, v, 0}, Rgb{0, 0, v}, Rgb{v, 255 - v, v / 2}}) {
            EXPECT_EQ(ColorRefToRgb(RgbToColorRef(rgb)), rgb);
        }
    }
    EXPECT_EQ(RgbToColorRef({5, 87, 154}), 10114821);
    EXPECT_EQ(RgbToColorRef({-4, 300, 0}), 0x00FF00);  // out-of-range channels clamp
}

TEST(LineBreaks, TextBoxAndCoreConventions) {
    struct Case {
        const char* lf;
        const char* crlf;
    };
    const Case cases[] = {
        {"", ""},
        {"one", "one"},
        {"a\nb", "a\r\nb"},
        {"a\n\nb\n", "a\r\n\r\nb\r\n"},
        {"\n", "\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToCrLf(c.lf), c.crlf) << c.lf;
        EXPECT_EQ(ToLf(c.crlf), c.lf) << c.crlf;
    }
    // Lone CRs and mixed breaks come out as one break each.
    EXPECT_EQ(ToLf("a\rb\r\nc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(ToCrLf("a\rb\r\nc\nd"), "a\r\nb\r\nc\r\nd");
}

TEST(ParseXftDpi, FindsTheResource) {
    struct Case {
        const char* resources;
        std::optional<double> dpi;
    };
    const Case cases[] = {
        {"Xft.dpi:\t120\n", 120.0},
        {"Xft.antialias:\t1\nXft.dpi:\t96\nXft.hinting:\t1\n", 96.0},
        {"Xft.dpi: 144", 144.0},
        {"Xft.dpi:\t120\nXft.dpi:\t192\n", 192.0},  // the last entry wins
        {"", std::nullopt},
        {"Xcursor.size:\t24\n", std::nullopt},
        {"Xft.dpi:\tlarge\n", std::nullopt},
        {"Xft.dpi:\t-5\n", std::nullopt},
        {"XXft.dpi:\t120\n", std::nullopt},
        {"Xft.dpix:\t120\n", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseXftDpi(c.resources), c.dpi) << c.resources;
    }
}

TEST(MsgBoxLayoutFor, Win32Styles) {
    struct Case {
        std::int32_t style;
        std::vector<std::int32_t> buttons;
        MsgIcon icon;
        std::int32_t escape;
        std::int32_t byDefault;
    };
    const Case cases[] = {
        {0, {kIdOk}, MsgIcon::NoIcon, kIdOk, kIdOk},
        {16, {kIdOk}, MsgIcon::Critical, kIdOk, kIdOk},
        {36, {kIdYes, kIdNo}, MsgIcon::Question, kIdNo, kIdYes},
        {48, {kIdOk}, MsgIcon::Warning, kIdOk, kIdOk},
        {64, {kIdOk}, MsgIcon::Information, kIdOk, kIdOk},
        {1, {kIdOk, kIdCancel}, MsgIcon::NoIcon, kIdCancel, kIdOk},
        {3 + 48, {kIdYes, kIdNo, kIdCancel}, MsgIcon::Warning, kIdCancel, kIdYes},
        {4 + 256, {kIdYes, kIdNo}, MsgIcon::NoIcon, kIdNo, kIdNo},  // second button default
        {5, {kIdRetry, kIdCancel}, MsgIcon::NoIcon, kIdCancel, kIdRetry},
        {2, {kIdAbort, kIdRetry, kIdIgnore}, MsgIcon::NoIcon, kIdAbort, kIdAbort},
        {0 + 512, {kIdOk}, MsgIcon::NoIcon, kIdOk, kIdOk},  // no third button: the first
    };
    for (const auto& c : cases) {
        const MsgBoxLayout layout = MsgBoxLayoutFor(c.style);
        EXPECT_EQ(layout.buttons, c.buttons) << c.style;
        EXPECT_EQ(layout.icon, c.icon) << c.style;
        EXPECT_EQ(layout.escapeAnswer, c.escape) << c.style;
        EXPECT_EQ(layout.defaultAnswer, c.byDefault) << c.style;
    }
}

}  // namespace
}  // namespace scriblane::linuxp
