// DrawTextA's lines laid out once, with no X: where each band, glyph and
// underline goes, in logical pixels, for any painter to draw.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/text/text_font.h"
#include "platform/linux/text/text_layout.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

// A rectangle in logical pixels beyond 32 bits (a line far off the screen
// still has its place); right and bottom exclusive.
struct Box {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Box&, const Box&) = default;
};

struct LaidGlyph {
    TextFont* face = nullptr;  // the chosen face or one of its fallbacks
    unsigned glyph = 0;
    std::int64_t x = 0, y = 0;  // the glyph's origin on the baseline
    std::int64_t pen = 0;       // its advance box: pen to pen + advance
    std::int32_t advance = 0;
};

// One line as drawn, in this order: the band in the back colour, the
// glyphs, then the pieces (underline, strike-out, the prefixed character's
// line) in the text colour.
struct LaidLine {
    Box band;  // the line's advance box, one cell high; empty for no text
    std::int64_t baseline = 0;
    bool plain = true;  // one face, glyph by glyph (IsPlainLine)
    std::vector<LaidGlyph> glyphs;
    std::vector<Box> pieces;
};

struct TextLayout {
    TextFont* font = nullptr;
    std::vector<LaidLine> lines;
    std::optional<Box> clip;  // the rectangle asked for, unless kDtNoClip
    // How far ink may stand out of a glyph's advance box: a glyph further
    // off a target than this cannot touch it.
    std::int64_t margin = 0;
    // Cell height times the number of lines: what DrawTextA answers.
    std::int64_t height = 0;
};

// Lays `lines` out as DrawTextA places them in `rect` for `format`: one
// cell a line from the top (a single line centred or at the bottom with
// kDtVCenter or kDtBottom), each centred (CentredLeft), right-aligned or
// left; clipped to `rect` unless kDtNoClip. `font` must be realised. Lines
// wholly outside `within`, when given, are left empty (not shaped): a
// painter of that area never sees them.
TextLayout MeasureText(TextFont& font, const std::vector<TextLine>& lines, const Rect& rect,
                       std::uint32_t format, const std::optional<Box>& within = std::nullopt);

// The box around the drawn bands, clipped; nothing when no band is drawn.
std::optional<Rect> BandsBox(const TextLayout& layout);
// The box around the ink (the glyphs' images as the image painter
// rasterises them at scale 1, and the pieces), clipped; nothing when there
// is none.
std::optional<Rect> InkBox(const TextLayout& layout);

// `box` within `clip` when there is one.
Box Clipped(const Box& box, const std::optional<Box>& clip);
// The box around both (an empty one adds nothing).
Box Union(const Box& a, const Box& b);
// `b` within 32 bits; nothing when it is empty.
std::optional<Rect> RectOf(const Box& b);

}  // namespace scriblane::linuxp
