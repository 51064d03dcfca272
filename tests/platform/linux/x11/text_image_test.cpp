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

std::string displayName;

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
    {"colour emoji", "Hi \xF0\x9F\x98\x80!", {100, 100, 700, 500}, kCentred, 32, 0, 400, false, false, false, 0, 0},
    {"screen edge", "Clipped at the screen's edge", {-60, 560, 400, 700}, 0, 30, 0, 400, false, true, false, 0, 0},
};

class TextImageTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ASSERT_FALSE(displayName.empty()) << "no Xvfb";
        dpy_ = XOpenDisplay(displayName.c_str());
        ASSERT_NE(dpy_, nullptr);
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
        if (dpy_) XCloseDisplay(dpy_);
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
            if (diff > 0 && differ < 5 && std::getenv("DIFFS")) std::printf("diff at %d,%d: root %06x picture %08x\n", x, y, onRoot, p);
            differ += diff > 0;
            worst = std::max(worst, diff);
        }
    }
    if (const char* dump = std::getenv("DUMP")) {
        std::string base = std::string(dump) + "/" + c.name;
        FILE* a = std::fopen((base + "-x.ppm").c_str(), "wb");
        FILE* b = std::fopen((base + "-img.ppm").c_str(), "wb");
        std::fprintf(a, "P6 %d %d 255\n", kWidth, kHeight);
        std::fprintf(b, "P6 %d %d 255\n", kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) for (int x = 0; x < kWidth; ++x) {
            unsigned long r = XGetPixel(root, x, y);
            std::uint32_t p = picture.pixels[y * kWidth + x];
            unsigned char ra[3] = {(unsigned char)(r >> 16), (unsigned char)(r >> 8), (unsigned char)r};
            unsigned char pa[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
            std::fwrite(ra, 1, 3, a); std::fwrite(pa, 1, 3, b);
        }
        std::fclose(a); std::fclose(b);
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
    scriblane::linuxp::displayName = server.name();
    scriblane::linuxp::InstallX11ErrorHandlers();
    return RUN_ALL_TESTS();
}
