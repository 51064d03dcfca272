// DrawTextA's lines laid out once, with no X: where each band, glyph and
// underline goes, in logical pixels, for any painter to draw.
#include "platform/linux/text/text_measure.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/linux/text/text_runs.h"

namespace scriblane::linuxp {

namespace {

Box Piece(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    return Box{x, y, x + w, y + h};
}

}  // namespace

std::optional<Rect> RectOf(const Box& b) {
    if (b.Empty()) return std::nullopt;
    const auto c = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return Rect{c(b.left), c(b.top), c(b.right), c(b.bottom)};
}

Box Union(const Box& a, const Box& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

Box Clipped(const Box& box, const std::optional<Box>& clip) {
    if (!clip) return box;
    return Box{std::max(box.left, clip->left), std::max(box.top, clip->top),
               std::min(box.right, clip->right), std::min(box.bottom, clip->bottom)};
}

TextLayout MeasureText(TextFont& font, const std::vector<TextLine>& lines, const Rect& rect,
                       std::uint32_t format, const std::optional<Box>& within) {
    TextLayout layout;
    layout.font = &font;
    const bool singleLine = format & kDtSingleLine;
    const std::int64_t cell = font.size.cell;
    const std::int64_t ascent = font.size.ascent;
    layout.height = cell * static_cast<std::int64_t>(lines.size());
    if (!(format & kDtNoClip)) layout.clip = Box{rect.left, rect.top, rect.right, rect.bottom};
    layout.margin =
        static_cast<std::int64_t>(std::ceil(font.size.emPixels * std::max(1.0, font.size.xScale))) +
        cell;

    std::int64_t firstTop = rect.top;
    if (singleLine && (format & kDtVCenter)) {
        firstTop = (std::int64_t{rect.top} + rect.bottom) / 2 - cell / 2;
    } else if (singleLine && (format & kDtBottom)) {
        firstTop = std::int64_t{rect.bottom} - cell;
    }

    layout.lines.reserve(lines.size());
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::int64_t top = firstTop + static_cast<std::int64_t>(index) * cell;
        if (within && top >= within->bottom) break;  // later lines lie further down
        LaidLine& laid = layout.lines.emplace_back();
        const std::int64_t baseline = top + ascent;
        laid.baseline = baseline;
        if (within && top + cell <= within->top) continue;
        const TextLine& line = lines[index];
        // Text the face covers in simple scripts is drawn glyph by glyph,
        // as DrawTextA does; anything else is placed run by run.
        laid.plain = IsPlainLine(font, line.text);
        PlacedLine placed;
        std::int64_t width = 0;
        if (laid.plain) {
            placed.glyphs.reserve(line.text.size());
            for (std::size_t i = 0; i < line.text.size(); ++i) {
                const unsigned glyph = GlyphIndex(font, line.text[i]);
                const std::int32_t advance = GlyphAdvance(font, glyph);
                placed.glyphs.push_back(PlacedGlyph{&font, glyph, width, 0, 0, advance, i});
                width += advance;
            }
            placed.width = width;
        } else {
            placed = PlaceLine(font, line.text);
            width = placed.width;
        }
        std::int64_t x;
        if (format & kDtCenter) {
            x = CentredLeft(rect.left, rect.right, width);
        } else if (format & kDtRight) {
            x = std::int64_t{rect.right} - width;
        } else {
            x = rect.left;
        }
        if (width > 0) laid.band = Box{x, top, x + width, top + cell};

        laid.glyphs.reserve(placed.glyphs.size());
        for (const PlacedGlyph& g : placed.glyphs) {
            laid.glyphs.push_back(
                LaidGlyph{g.face, g.glyph, x + g.x + g.xOffset, baseline - g.rise, x + g.x, g.advance});
        }
        // DrawTextA underlines one prefixed character per line, the last,
        // with a one-pixel line just below the baseline that stops a pixel
        // short of the character's advance. Plain text underlines and
        // strikes out glyph by glyph, other text the whole line at once;
        // the prefixed character's line spans its cluster.
        if (laid.plain) {
            const std::size_t prefixed =
                line.underlined.empty() ? placed.glyphs.size() : line.underlined.back();
            for (std::size_t i = 0; i < laid.glyphs.size(); ++i) {
                const std::int64_t gx = laid.glyphs[i].pen;
                const std::int64_t advance = laid.glyphs[i].advance;
                if (i == prefixed) laid.pieces.push_back(Piece(gx, baseline + 1, advance - 1, 1));
                if (font.request.underline) {
                    laid.pieces.push_back(Piece(gx, baseline + font.underlineOffset, advance,
                                                font.underlineThickness));
                }
                if (font.request.strikeOut) {
                    laid.pieces.push_back(Piece(gx, baseline - font.strikeOffset, advance,
                                                font.underlineThickness));
                }
            }
        } else {
            std::int64_t prefixLeft = INT64_MAX, prefixAdvance = 0;
            for (const PlacedGlyph& g : placed.glyphs) {
                if (!line.underlined.empty() && g.cluster == line.underlined.back()) {
                    prefixLeft = std::min(prefixLeft, x + g.x);
                    prefixAdvance += g.advance;
                }
            }
            if (prefixAdvance > 0) {
                laid.pieces.push_back(Piece(prefixLeft, baseline + 1, prefixAdvance - 1, 1));
            }
            if (font.request.underline) {
                laid.pieces.push_back(Piece(x, baseline + font.underlineOffset, width,
                                            font.underlineThickness));
            }
            if (font.request.strikeOut) {
                laid.pieces.push_back(Piece(x, baseline - font.strikeOffset, width,
                                            font.underlineThickness));
            }
        }
        std::erase_if(laid.pieces, [](const Box& b) { return b.Empty(); });
    }
    return layout;
}

std::optional<Rect> BandsBox(const TextLayout& layout) {
    Box total;
    for (const LaidLine& line : layout.lines) total = Union(total, Clipped(line.band, layout.clip));
    return RectOf(total);
}

}  // namespace scriblane::linuxp
