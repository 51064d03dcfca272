// The image painter against the X server: the same layout painted by
// PaintImage at scale 1 and by Xft on the root of a private Xvfb must give
// the same bands and (within a stated tolerance) the same glyph pixels; at
// scale 2 the glyphs are drawn anew, not the scale-1 picture enlarged.
// gtest before Xlib: Xlib's macros (None, Bool) clash with gtest's names.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xft/Xft.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/text/text_image.h"
#include "platform/linux/x11/x11_connection.h"
#include "platform/linux/x11/x11_text_draw.h"
#include "xvfb_server.h"

namespace scriblane::linuxp {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr unsigned long kGround = 0x102030;  // the root's colour, 0xRRGGBB
constexpr ColorRef kText = 0x9A5705, kBack = 0xEBF7FE;

// One connection for the whole program: Xft keeps state per connection
// that a later one at the same address would find stale.
::Display* connection = nullptr;

struct Case {
    const char* name;
    const char* text;
    Rect box;
    std::uint32_t format;
    std::int32_t height, width, weight;
    bool italic, underline, strikeOut;
    // Glyph pixels may differ from the server's by at most `maxDiff` in a
    // channel, in at most `maxCount` pixels.
    int maxDiff, maxCount;
};

constexpr std::uint32_t kCentred = kDtCenter | kDtVCenter | kDtSingleLine;
const Case kCases[] = {
    {"latin", "Hello, world", {100, 100, 700, 500}, kCentred, 30, 0, 400, false, false, false, 0, 0},
    {"bold italic", "Bold italic fly", {100, 100, 700, 500}, kCentred, 34, 0, 700, true, false, false, 0, 0},
    {"underline", "Underlined text", {100, 100, 700, 500}, kCentred, 28, 0, 400, false, true, false, 0, 0},
    {"strike-out", "Struck out", {100, 100, 700, 500}, kCentred, 28, 0, 400, false, false, true, 0, 0},
    {"stretched", "Wide letters", {100, 100, 700, 500}, kCentred, 30, 25, 400, false, false, false, 0, 0},
    {"prefix", "&File and &&more &x", {50, 60, 750, 500}, 0, 26, 0, 400, false, false, false, 0, 0},
    {"lines", "first\nthe second line\n&third", {100, 100, 700, 500}, kDtCenter, 24, 0, 400, false, true, false, 0, 0},
    {"rtl and cjk", "abc \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D 123 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", {100, 100, 700, 500}, kCentred, 30, 0, 400, false, false, false, 0, 0},
    {"colour emoji", "Hi \xF0\x9F\x98\x80 \xF0\x9F\x91\x8D!", {100, 100, 700, 500}, kCentred, 32, 0, 400, false, false, false, 0, 0},
    {"screen edge", "Clipped at the screen's edge", {-60, 560, 400, 700}, 0, 30, 0, 400, false, true, false, 0, 0},
};

class TextImageTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        dpy_ = connection;
        ASSERT_NE(dpy_, nullptr) << "no Xvfb";
        root_ = DefaultRootWindow(dpy_);
        XSetWindowBackground(dpy_, root_, kGround);
        XClearWindow(dpy_, root_);
        const Case& c = GetParam();
        font_.request.height = c.height;
        font_.request.width = c.width;
        font_.request.weight = c.weight;
        font_.request.italic = c.italic;
        font_.request.underline = c.underline;
        font_.request.strikeOut = c.strikeOut;
        font_.request.faceName = "arial";
        ASSERT_TRUE(RealizeFont(dpy_, font_));
        const std::string text = c.text;
        lines_ = LayoutLines(DecodeText(text.data(), text.size()), c.format & kDtSingleLine,
                             c.format & kDtNoPrefix);
    }
    void TearDown() override {
        CloseFont(dpy_, font_);
    }

    // What the X painter leaves on the root, and the bands it reports.
    XImage* DrawOnRoot(std::vector<Rect>& bands) {
        const int screen = DefaultScreen(dpy_);
        XftDraw* draw = XftDrawCreate(dpy_, root_, DefaultVisual(dpy_, screen),
                                      DefaultColormap(dpy_, screen));
        const Case& c = GetParam();
        EXPECT_TRUE(DrawTextLines(dpy_, draw, kWidth, kHeight, font_, kText, kBack, lines_, c.box,
                                  c.format, &bands));
        XftDrawDestroy(draw);
        XSync(dpy_, False);
        return XGetImage(dpy_, root_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    }

    ::Display* dpy_ = nullptr;
    Window root_ = 0;
    X11Font font_;
    std::vector<TextLine> lines_;
};

std::uint32_t Channel(std::uint32_t p, int shift) { return (p >> shift) & 0xFF; }

bool InAny(const std::vector<Rect>& rects, int x, int y) {
    return std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
}

TEST_P(TextImageTest, ScaleOneIsTheServersDrawing) {
    const Case& c = GetParam();
    std::vector<Rect> bands;
    XImage* root = DrawOnRoot(bands);
    ASSERT_NE(root, nullptr);
    ASSERT_FALSE(bands.empty()) << "nothing drawn";
    const TextLayout layout = MeasureText(font_, lines_, c.box, c.format, Box{0, 0, kWidth, kHeight});
    const ArgbPicture picture = PaintImage(layout, kText, kBack, Rect{0, 0, kWidth, kHeight}, 1);
    ASSERT_EQ(picture.width, kWidth);
    ASSERT_EQ(picture.height, kHeight);

    int bandMisses = 0, differ = 0, worst = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * kWidth + x];
            const auto onRoot = static_cast<std::uint32_t>(XGetPixel(root, x, y) & 0xFFFFFF);
            const std::uint32_t alpha = p >> 24;
            // Bands: opaque exactly where the server filled one (or drew
            // opaque ink beside it).
            if (InAny(bands, x, y) ? alpha != 0xFF : (alpha == 0xFF && onRoot == kGround)) {
                ++bandMisses;
            }
            // The picture over the root's colour, as a compositor shows it.
            int diff = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t over =
                    Channel(p, shift) + (Channel(kGround, shift) * (255 - alpha) + 127) / 255;
                diff = std::max(diff, std::abs(static_cast<int>(over) -
                                               static_cast<int>(Channel(onRoot, shift))));
            }
            differ += diff > 0;
            worst = std::max(worst, diff);
        }
    }
    XDestroyImage(root);
    std::printf("%s: %d pixels differ, by at most %d\n", c.name, differ, worst);
    EXPECT_EQ(bandMisses, 0);
    EXPECT_LE(worst, c.maxDiff);
    EXPECT_LE(differ, c.maxCount);
    const auto box = BandsBox(layout);
    ASSERT_TRUE(box.has_value());
    Rect all = bands.front();
    for (const Rect& b : bands) {
        all = Rect{std::min(all.left, b.left), std::min(all.top, b.top), std::max(all.right, b.right),
                   std::max(all.bottom, b.bottom)};
    }
    // The layout's box is logical, the server's within its screen.
    EXPECT_EQ(Clipped(Box{box->left, box->top, box->right, box->bottom}, Box{0, 0, kWidth, kHeight}),
              (Box{all.left, all.top, all.right, all.bottom}));
}

// The box around the pixels of `picture` that pass `keep`; empty when none.
template <typename Keep>
Box PixelBox(const ArgbPicture& picture, Keep keep) {
    Box b{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (!keep(picture.pixels[static_cast<std::size_t>(y) * picture.width + x])) continue;
            b = Box{std::min<std::int64_t>(b.left, x), std::min<std::int64_t>(b.top, y),
                    std::max<std::int64_t>(b.right, x + 1), std::max<std::int64_t>(b.bottom, y + 1)};
        }
    }
    return b;
}

// At scale 2 each band covers exactly twice its box and nothing else is
// filled; the ink lies where the scale-1 ink lies, doubled; and the glyphs
// are rasterised anew, not the scale-1 picture enlarged.
TEST_P(TextImageTest, ScaleTwoDrawsTheGlyphsAnew) {
    const Case& c = GetParam();
    std::vector<Rect> bands;
    XImage* root = DrawOnRoot(bands);
    ASSERT_NE(root, nullptr);
    XDestroyImage(root);
    const TextLayout layout = MeasureText(font_, lines_, c.box, c.format, Box{0, 0, kWidth, kHeight});
    const Rect area{0, 0, kWidth, kHeight};
    const ArgbPicture one = PaintImage(layout, kText, kBack, area, 1);
    const ArgbPicture two = PaintImage(layout, kText, kBack, area, 2);
    ASSERT_EQ(two.width, 2 * kWidth);
    ASSERT_EQ(two.height, 2 * kHeight);
    std::vector<Rect> doubled;
    for (const Rect& b : bands) doubled.push_back(Rect{2 * b.left, 2 * b.top, 2 * b.right, 2 * b.bottom});
    int bandMisses = 0, changedBlocks = 0;
    for (int y = 0; y < two.height; ++y) {
        for (int x = 0; x < two.width; ++x) {
            const std::uint32_t p = two.pixels[static_cast<std::size_t>(y) * two.width + x];
            // Outside the bands only ink, never the back colour.
            const bool back = p == 0xFF000000u + (((kBack & 0xFF) << 16) | (kBack & 0xFF00) | ((kBack >> 16) & 0xFF));
            if (InAny(doubled, x, y) ? (p >> 24) != 0xFF : back) ++bandMisses;
            if (x % 2 || y % 2 || !InAny(doubled, x, y) || !InAny(doubled, x + 1, y + 1)) continue;
            const std::size_t i = static_cast<std::size_t>(y) * two.width + x;
            changedBlocks += p != two.pixels[i + 1] || p != two.pixels[i + two.width] ||
                             p != two.pixels[i + two.width + 1];
        }
    }
    EXPECT_EQ(bandMisses, 0);
    EXPECT_GT(changedBlocks, 0) << "the scale-1 picture enlarged";
    // Ink: what is neither transparent nor the back colour.
    const auto ink = [](std::uint32_t p) {
        return (p >> 24) != 0 && p != 0xFF000000u + (((kBack & 0xFF) << 16) | (kBack & 0xFF00) | ((kBack >> 16) & 0xFF));
    };
    const Box inkOne = PixelBox(one, ink), inkTwo = PixelBox(two, ink);
    ASSERT_FALSE(inkOne.Empty());
    // Hinting at each size moves an edge by a pixel or so.
    EXPECT_NEAR(inkTwo.left, 2 * inkOne.left, 3);
    EXPECT_NEAR(inkTwo.top, 2 * inkOne.top, 3);
    EXPECT_NEAR(inkTwo.right, 2 * inkOne.right, 3);
    EXPECT_NEAR(inkTwo.bottom, 2 * inkOne.bottom, 3);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextImageTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.name;
                             std::replace_if(name.begin(), name.end(),
                                             [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
                             return name;
                         });

}  // namespace
}  // namespace scriblane::linuxp

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    scriblane::testing::XvfbServer server("800x600x24");
    if (!server.name().empty()) {
        scriblane::linuxp::connection = XOpenDisplay(server.name().c_str());
    }
    scriblane::linuxp::InstallX11ErrorHandlers();
    const int result = RUN_ALL_TESTS();
    if (scriblane::linuxp::connection) XCloseDisplay(scriblane::linuxp::connection);
    return result;
}
