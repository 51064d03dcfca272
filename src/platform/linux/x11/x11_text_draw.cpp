// Laid-out lines of text drawn into any X drawable through Xft (the body of DrawTextA).
#include "platform/linux/x11/x11_text_draw.h"

#include <X11/Xlib.h>
#include <X11/Xft/Xft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/linux/x11/x11_text_runs.h"

namespace scriblane::linuxp {

namespace {

// Rectangle clipped to the target, or nothing.
bool ClipToTarget(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                  std::int64_t targetW, std::int64_t targetH, XRectangle& out) {
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(x + w, targetW);
    const std::int64_t y1 = std::min<std::int64_t>(y + h, targetH);
    if (x1 <= x0 || y1 <= y0) return false;
    out.x = static_cast<short>(x0);
    out.y = static_cast<short>(y0);
    out.width = static_cast<unsigned short>(x1 - x0);
    out.height = static_cast<unsigned short>(y1 - y0);
    return true;
}

short ToShort(std::int64_t v) {
    return static_cast<short>(std::clamp<std::int64_t>(v, SHRT_MIN, SHRT_MAX));
}

XRenderColor ToRender(ColorRef color) {
    // Only the low 24 bits are a colour; anything above (a stored value out
    // of range, a palette flag) is ignored.
    const auto c = static_cast<std::uint32_t>(color);
    XRenderColor r;
    r.red = static_cast<unsigned short>((c & 0xFF) * 0x101);
    r.green = static_cast<unsigned short>(((c >> 8) & 0xFF) * 0x101);
    r.blue = static_cast<unsigned short>(((c >> 16) & 0xFF) * 0x101);
    r.alpha = 0xFFFF;
    return r;
}

}  // namespace

bool DrawTextLines(::Display* dpy, XftDraw* draw, std::int64_t targetW, std::int64_t targetH,
                   X11Font& font, ColorRef text, ColorRef back, const std::vector<TextLine>& lines,
                   const Rect& rect, std::uint32_t format, std::vector<Rect>* bands) {
    const bool singleLine = format & kDtSingleLine;
    const std::int64_t cell = font.size.cell;
    const std::int64_t ascent = font.size.ascent;

    Visual* visual = XftDrawVisual(draw);
    const Colormap cmap = XftDrawColormap(draw);
    XRenderColor fore = ToRender(text), backRender = ToRender(back);
    XftColor foreColor, backColor;
    if (!XftColorAllocValue(dpy, visual, cmap, &fore, &foreColor)) return false;
    if (!XftColorAllocValue(dpy, visual, cmap, &backRender, &backColor)) {
        XftColorFree(dpy, visual, cmap, &foreColor);
        return false;
    }

    bool clipped = false;
    XRectangle clip{0, 0, static_cast<unsigned short>(std::clamp<std::int64_t>(targetW, 0, 65535)),
                    static_cast<unsigned short>(std::clamp<std::int64_t>(targetH, 0, 65535))};
    if (!(format & kDtNoClip)) {
        if (!ClipToTarget(rect.left, rect.top, std::int64_t{rect.right} - rect.left,
                          std::int64_t{rect.bottom} - rect.top, targetW, targetH, clip)) {
            clip = XRectangle{0, 0, 0, 0};
        }
        XftDrawSetClipRectangles(draw, 0, 0, &clip, 1);
        clipped = true;
    }

    std::int64_t firstTop = rect.top;
    if (singleLine && (format & kDtVCenter)) {
        firstTop = (std::int64_t{rect.top} + rect.bottom) / 2 - cell / 2;
    } else if (singleLine && (format & kDtBottom)) {
        firstTop = std::int64_t{rect.bottom} - cell;
    }

    FT_Face face = XftLockFace(font.xft);
    // Ink may stand out of a glyph's advance box; a glyph this far off
    // the target cannot touch it.
    const std::int64_t margin =
        static_cast<std::int64_t>(std::ceil(font.size.emPixels * std::max(1.0, font.size.xScale))) +
        cell;

    std::vector<XftGlyphSpec> specs;
    std::vector<XftGlyphFontSpec> fontSpecs;
    std::vector<XRectangle> lineRects;  // underline and strike-out pieces
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::int64_t top = firstTop + static_cast<std::int64_t>(index) * cell;
        if (top >= targetH) break;  // later lines lie further down
        if (top + cell <= 0) continue;
        const TextLine& line = lines[index];
        // Text the face covers in simple scripts is drawn glyph by glyph,
        // as DrawTextA does; anything else is placed run by run.
        const bool plain = IsPlainLine(dpy, font, line.text);
        std::vector<FT_UInt> glyphs;
        PlacedLine placed;
        std::int64_t width = 0;
        if (plain) {
            glyphs.resize(line.text.size());
            for (std::size_t i = 0; i < line.text.size(); ++i) {
                glyphs[i] = GlyphIndex(dpy, font, line.text[i]);
                width += GlyphAdvance(dpy, font, face, glyphs[i]);
            }
        } else {
            placed = PlaceLine(dpy, font, line.text);
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

        XRectangle fill;
        if (width > 0 && ClipToTarget(x, top, width, cell, targetW, targetH, fill)) {
            XftDrawRect(draw, &backColor, fill.x, fill.y, fill.width, fill.height);
            if (bands) {
                const std::int64_t x0 = std::max<std::int64_t>(fill.x, clip.x);
                const std::int64_t y0 = std::max<std::int64_t>(fill.y, clip.y);
                const std::int64_t x1 = std::min<std::int64_t>(fill.x + fill.width, clip.x + clip.width);
                const std::int64_t y1 = std::min<std::int64_t>(fill.y + fill.height, clip.y + clip.height);
                if (x1 > x0 && y1 > y0) {
                    bands->push_back(Rect{static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
                                          static_cast<std::int32_t>(x1), static_cast<std::int32_t>(y1)});
                }
            }
        }

        const std::int64_t baseline = top + ascent;
        // DrawTextA underlines one prefixed character per line, the last,
        // with a one-pixel line just below the baseline that stops a pixel
        // short of the character's advance.
        const std::size_t prefixed =
            line.underlined.empty() ? glyphs.size() : line.underlined.back();
        specs.clear();
        fontSpecs.clear();
        lineRects.clear();
        if (!plain) {
            // Every glyph on the chosen face's baseline; the prefixed
            // character's line spans its cluster, and underline and
            // strike-out the whole line.
            std::int64_t prefixLeft = INT64_MAX, prefixAdvance = 0;
            for (const PlacedGlyph& g : placed.glyphs) {
                const std::int64_t gx = x + g.x;
                const bool visible = gx + g.advance + margin > 0 && gx - margin < targetW &&
                                     baseline + margin > 0 && baseline - margin < targetH;
                if (visible) {
                    fontSpecs.push_back(XftGlyphFontSpec{g.font, g.glyph, ToShort(gx + g.xOffset),
                                                         ToShort(baseline - g.rise)});
                }
                if (!line.underlined.empty() && g.cluster == line.underlined.back()) {
                    prefixLeft = std::min(prefixLeft, gx);
                    prefixAdvance += g.advance;
                }
            }
            XRectangle piece;
            if (prefixAdvance > 0 &&
                ClipToTarget(prefixLeft, baseline + 1, prefixAdvance - 1, 1, targetW, targetH, piece)) {
                lineRects.push_back(piece);
            }
            if (font.request.underline &&
                ClipToTarget(x, baseline + font.underlineOffset, width, font.underlineThickness,
                             targetW, targetH, piece)) {
                lineRects.push_back(piece);
            }
            if (font.request.strikeOut &&
                ClipToTarget(x, baseline - font.strikeOffset, width, font.underlineThickness,
                             targetW, targetH, piece)) {
                lineRects.push_back(piece);
            }
        }
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const std::int64_t advance = GlyphAdvance(dpy, font, face, glyphs[i]);
            const bool visible = x + advance + margin > 0 && x - margin < targetW &&
                                 baseline + margin > 0 && baseline - margin < targetH;
            if (visible) specs.push_back(XftGlyphSpec{glyphs[i], static_cast<short>(x),
                                                      static_cast<short>(baseline)});
            XRectangle piece;
            if (i == prefixed &&
                ClipToTarget(x, baseline + 1, advance - 1, 1, targetW, targetH, piece)) {
                lineRects.push_back(piece);
            }
            if (font.request.underline &&
                ClipToTarget(x, baseline + font.underlineOffset, advance,
                             font.underlineThickness, targetW, targetH, piece)) {
                lineRects.push_back(piece);
            }
            if (font.request.strikeOut &&
                ClipToTarget(x, baseline - font.strikeOffset, advance, font.underlineThickness,
                             targetW, targetH, piece)) {
                lineRects.push_back(piece);
            }
            x += advance;
            if (x - margin >= targetW) break;  // the rest of the line is off the target
        }
        if (face) XftUnlockFace(font.xft);
        // Small batches: Xft loads every glyph of a call before drawing it.
        for (std::size_t i = 0; i < specs.size(); i += 64) {
            XftDrawGlyphSpec(draw, &foreColor, font.xft, specs.data() + i,
                             static_cast<int>(std::min<std::size_t>(64, specs.size() - i)));
        }
        for (std::size_t i = 0; i < fontSpecs.size(); i += 64) {
            XftDrawGlyphFontSpec(draw, &foreColor, fontSpecs.data() + i,
                                 static_cast<int>(std::min<std::size_t>(64, fontSpecs.size() - i)));
        }
        for (const XRectangle& r : lineRects) {
            XftDrawRect(draw, &foreColor, r.x, r.y, r.width, r.height);
        }
        face = XftLockFace(font.xft);
    }
    if (face) XftUnlockFace(font.xft);

    if (clipped) XftDrawSetClip(draw, nullptr);
    XftColorFree(dpy, visual, cmap, &foreColor);
    XftColorFree(dpy, visual, cmap, &backColor);
    XFlush(dpy);
    return true;
}

}  // namespace scriblane::linuxp
