// MeasureText and the image painter with no X: where bands and pieces go,
// and that pieces meeting in logical pixels meet at any scale.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/linux/text/text_image.h"
#include "platform/linux/text/text_measure.h"

namespace scriblane::linuxp {
namespace {

class MeasureTest : public ::testing::Test {
protected:
    void SetUp() override {
        font_.request.height = 20;
        font_.request.faceName = "arial";
        font_.request.underline = underline_;
        ASSERT_TRUE(RealizeTextFont(font_));
    }
    std::vector<TextLine> Lines(const char* text, std::uint32_t format) {
        const std::string s = text;
        return LayoutLines(DecodeText(s.data(), s.size()), format & kDtSingleLine,
                           format & kDtNoPrefix);
    }
    std::int64_t Width(const char* text) {
        std::int64_t w = 0;
        for (char c : std::string(text)) w += GlyphAdvance(font_, GlyphIndex(font_, c));
        return w;
    }
    bool underline_ = false;
    TextFont font_;
};

TEST_F(MeasureTest, PlacesTheFirstBandAsTheFormatAsks) {
    enum Across { kLeft, kCentre, kRight };
    enum Down { kTop, kMiddle, kBottom };
    struct Row {
        const char* text;
        Rect rect;
        std::uint32_t format;
        Across across;
        Down down;
    };
    const Row rows[] = {
        {"Hello", {10, 20, 211, 120}, 0, kLeft, kTop},
        {"Hello", {10, 20, 211, 120}, kDtCenter, kCentre, kTop},  // odd room: the extra pixel right
        {"Hello", {10, 20, 211, 121}, kDtRight | kDtSingleLine | kDtVCenter, kRight, kMiddle},
        {"Hello", {10, 20, 211, 120}, kDtSingleLine | kDtBottom, kLeft, kBottom},
        // Centring and bottom apply to a single line only.
        {"Hello\nworld", {10, 20, 211, 120}, kDtVCenter | kDtBottom, kLeft, kTop},
        // Wider than its rectangle: centred about it, running out both sides.
        {"A rather long line of text", {50, 0, 60, 30}, kDtCenter, kCentre, kTop},
    };
    const std::int64_t cell = font_.size.cell;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        SCOPED_TRACE(r.format);
        const TextLayout layout = MeasureText(font_, Lines(r.text, r.format), r.rect, r.format);
        ASSERT_FALSE(layout.lines.empty());
        const std::string first = std::string(r.text).substr(0, std::string(r.text).find('\n'));
        const std::int64_t w = Width(first.c_str());
        const std::int64_t left = r.across == kLeft     ? r.rect.left
                                  : r.across == kRight  ? r.rect.right - w
                                                        : r.rect.left + (r.rect.right - r.rect.left - w) / 2;
        const std::int64_t top = r.down == kTop      ? r.rect.top
                                 : r.down == kBottom ? r.rect.bottom - cell
                                                     : (r.rect.top + r.rect.bottom) / 2 - cell / 2;
        EXPECT_EQ(layout.lines[0].band, (Box{left, top, left + w, top + cell}));
        EXPECT_EQ(layout.lines[0].baseline, top + font_.size.ascent);
        if (layout.lines.size() > 1) EXPECT_EQ(layout.lines[1].band.top, top + cell);
    }
}

TEST_F(MeasureTest, ClipsToTheRectangleUnlessAskedNotTo) {
    const Rect rect{50, 0, 60, 30};
    const auto lines = Lines("A rather long line", 0);
    const TextLayout clipped = MeasureText(font_, lines, rect, kDtCenter);
    ASSERT_TRUE(clipped.clip.has_value());
    EXPECT_EQ(*clipped.clip, (Box{50, 0, 60, 30}));
    EXPECT_EQ(BandsBox(clipped), (Rect{50, 0, 60, static_cast<std::int32_t>(font_.size.cell)}));
    const TextLayout free = MeasureText(font_, lines, rect, kDtCenter | kDtNoClip);
    EXPECT_FALSE(free.clip.has_value());
    const Box band = free.lines[0].band;
    EXPECT_EQ(BandsBox(free), (Rect{static_cast<std::int32_t>(band.left), 0,
                                    static_cast<std::int32_t>(band.right),
                                    static_cast<std::int32_t>(font_.size.cell)}));
}

TEST_F(MeasureTest, UnderlinesThePrefixedCharacterShortOfItsAdvance) {
    struct Row {
        const char* text;
        std::size_t index;  // of the underlined character in the drawn line
    };
    for (const Row& r : {Row{"&File", 0}, Row{"Sa&ve", 2}, Row{"a&b&c", 2}}) {
        SCOPED_TRACE(r.text);
        const TextLayout layout = MeasureText(font_, Lines(r.text, 0), Rect{0, 0, 300, 100}, 0);
        const LaidLine& line = layout.lines[0];
        ASSERT_EQ(line.pieces.size(), 1u);
        const LaidGlyph& g = line.glyphs[r.index];
        EXPECT_EQ(line.pieces[0], (Box{g.pen, line.baseline + 1, g.pen + g.advance - 1, line.baseline + 2}));
    }
    EXPECT_TRUE(MeasureText(font_, Lines("&File", kDtNoPrefix), Rect{0, 0, 300, 100}, kDtNoPrefix)
                    .lines[0].pieces.empty());
}

class UnderlinedTest : public MeasureTest {
protected:
    UnderlinedTest() { underline_ = true; }
};

// Glyph by glyph underline pieces meet at 1.5 as they do at 1, and the band
// covers its scaled box, each edge rounded from the logical one.
TEST_F(UnderlinedTest, PiecesMeetAtFractionalScales) {
    const Rect area{0, 0, 301, 41};
    // Edges at every fraction of a device pixel.
    for (std::int32_t left = 3; left < 7; ++left)
    for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        SCOPED_TRACE(scale);
        SCOPED_TRACE(left);
        const TextLayout layout = MeasureText(font_, Lines("Illuminated", 0), Rect{left, 1, 300, 40}, 0);
        const LaidLine& line = layout.lines[0];
        ASSERT_EQ(line.pieces.size(), line.glyphs.size());
        const ArgbPicture p = PaintImage(layout, 0x0000FF, 0xFFFFFF, area, scale);
        const auto at = [&](std::int64_t x, std::int64_t y) {
            return p.pixels[static_cast<std::size_t>(y) * p.width + static_cast<std::size_t>(x)];
        };
        const auto dev = [&](std::int64_t v) { return static_cast<std::int64_t>(std::floor(v * scale + 0.5)); };
        const Box u = line.pieces[0];
        const std::int64_t y = dev(u.top);
        for (std::int64_t x = dev(line.band.left); x < dev(line.band.right); ++x) {
            ASSERT_EQ(at(x, y), 0xFFFF0000u) << "gap in the underline at " << x;
        }
        EXPECT_EQ(at(dev(line.band.left) - 1, dev(line.band.top)), 0u);
        EXPECT_EQ(at(dev(line.band.left), dev(line.band.top)), 0xFFFFFFFFu);
        EXPECT_EQ(at(dev(line.band.right) - 1, dev(line.band.bottom) - 1), 0xFFFFFFFFu);
        EXPECT_EQ(at(dev(line.band.right), dev(line.band.bottom) - 1), 0u);
        EXPECT_EQ(at(dev(line.band.left), dev(line.band.bottom)), 0u);
    }
}

// The ink box is where the image painter puts ink, the underline included.
TEST_F(UnderlinedTest, InkBoxIsWhereThePainterPutsInk) {
    const Rect area{0, 0, 200, 60};
    const TextLayout layout = MeasureText(font_, Lines("jiffy", 0), Rect{10, 10, 200, 60}, kDtNoClip);
    const ArgbPicture p = PaintImage(layout, 0x0000FF, 0xFFFFFF, area, 1);
    Box ink{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t v = p.pixels[static_cast<std::size_t>(y) * p.width + x];
            if (v == 0 || v == 0xFFFFFFFFu) continue;
            ink = Box{std::min<std::int64_t>(ink.left, x), std::min<std::int64_t>(ink.top, y),
                      std::max<std::int64_t>(ink.right, x + 1), std::max<std::int64_t>(ink.bottom, y + 1)};
        }
    }
    const auto box = InkBox(layout);
    ASSERT_TRUE(box.has_value());
    // The glyph images' boxes may hold blank rows and columns at their edges.
    EXPECT_LE(box->left, ink.left);
    EXPECT_LE(box->top, ink.top);
    EXPECT_GE(box->right, ink.right);
    EXPECT_GE(box->bottom, ink.bottom);
    EXPECT_LE(ink.left - box->left + box->right - ink.right, 1);
    EXPECT_LE(ink.top - box->top + box->bottom - ink.bottom, 2);
}

}  // namespace
}  // namespace scriblane::linuxp
