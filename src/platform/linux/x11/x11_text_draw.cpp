// Laid-out text painted into any X drawable through Xft (DrawTextA's painter on X).
#include "platform/linux/x11/x11_text_draw.h"

#include <X11/Xlib.h>
#include <X11/Xft/Xft.h>

#include <algorithm>
#include <climits>

namespace scriblane::linuxp {

namespace {

// Rectangle clipped to the target, or nothing.
bool ClipToTarget(const Box& b, std::int64_t targetW, std::int64_t targetH, XRectangle& out) {
    const std::int64_t x0 = std::max<std::int64_t>(b.left, 0);
    const std::int64_t y0 = std::max<std::int64_t>(b.top, 0);
    const std::int64_t x1 = std::min<std::int64_t>(b.right, targetW);
    const std::int64_t y1 = std::min<std::int64_t>(b.bottom, targetH);
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

bool PaintText(::Display* dpy, XftDraw* draw, std::int64_t targetW, std::int64_t targetH,
               const TextLayout& layout, ColorRef text, ColorRef back, std::vector<Rect>* bands) {
    // A face the server cannot draw draws nothing, not bands without text.
    XftFont* chosen = layout.font ? XftFontFor(dpy, *layout.font) : nullptr;
    if (!chosen) return false;
    Visual* visual = XftDrawVisual(draw);
    const Colormap cmap = XftDrawColormap(draw);
    XRenderColor fore = ToRender(text), backRender = ToRender(back);
    XftColor foreColor, backColor;
    if (!XftColorAllocValue(dpy, visual, cmap, &fore, &foreColor)) return false;
    if (!XftColorAllocValue(dpy, visual, cmap, &backRender, &backColor)) {
        XftColorFree(dpy, visual, cmap, &foreColor);
        return false;
    }

    XRectangle clip{0, 0, static_cast<unsigned short>(std::clamp<std::int64_t>(targetW, 0, 65535)),
                    static_cast<unsigned short>(std::clamp<std::int64_t>(targetH, 0, 65535))};
    if (layout.clip) {
        if (!ClipToTarget(*layout.clip, targetW, targetH, clip)) clip = XRectangle{0, 0, 0, 0};
        XftDrawSetClipRectangles(draw, 0, 0, &clip, 1);
    }
    const std::int64_t margin = layout.margin;

    std::vector<XftGlyphSpec> specs;
    std::vector<XftGlyphFontSpec> fontSpecs;
    for (const LaidLine& line : layout.lines) {
        XRectangle fill;
        if (ClipToTarget(line.band, targetW, targetH, fill)) {
            XftDrawRect(draw, &backColor, fill.x, fill.y, fill.width, fill.height);
            if (bands) {
                const Box shown =
                    Clipped(Box{fill.x, fill.y, fill.x + fill.width, fill.y + fill.height},
                            Box{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height});
                if (!shown.Empty()) {
                    bands->push_back(Rect{static_cast<std::int32_t>(shown.left),
                                          static_cast<std::int32_t>(shown.top),
                                          static_cast<std::int32_t>(shown.right),
                                          static_cast<std::int32_t>(shown.bottom)});
                }
            }
        }
        specs.clear();
        fontSpecs.clear();
        const std::int64_t baseline = line.baseline;
        for (const LaidGlyph& g : line.glyphs) {
            // A glyph this far off the target cannot touch it.
            const bool visible = g.pen + g.advance + margin > 0 && g.pen - margin < targetW &&
                                 baseline + margin > 0 && baseline - margin < targetH;
            if (!visible) continue;
            if (line.plain) {
                specs.push_back(XftGlyphSpec{g.glyph, ToShort(g.x), ToShort(g.y)});
            } else if (XftFont* f = XftFontFor(dpy, *g.face)) {
                fontSpecs.push_back(XftGlyphFontSpec{f, g.glyph, ToShort(g.x), ToShort(g.y)});
            }
        }
        // Small batches: Xft loads every glyph of a call before drawing it.
        for (std::size_t i = 0; i < specs.size(); i += 64) {
            XftDrawGlyphSpec(draw, &foreColor, chosen, specs.data() + i,
                             static_cast<int>(std::min<std::size_t>(64, specs.size() - i)));
        }
        for (std::size_t i = 0; i < fontSpecs.size(); i += 64) {
            XftDrawGlyphFontSpec(draw, &foreColor, fontSpecs.data() + i,
                                 static_cast<int>(std::min<std::size_t>(64, fontSpecs.size() - i)));
        }
        for (const Box& piece : line.pieces) {
            XRectangle r;
            if (ClipToTarget(piece, targetW, targetH, r)) {
                XftDrawRect(draw, &foreColor, r.x, r.y, r.width, r.height);
            }
        }
    }

    if (layout.clip) XftDrawSetClip(draw, nullptr);
    XftColorFree(dpy, visual, cmap, &foreColor);
    XftColorFree(dpy, visual, cmap, &backColor);
    XFlush(dpy);
    return true;
}

bool DrawTextLines(::Display* dpy, XftDraw* draw, std::int64_t targetW, std::int64_t targetH,
                   X11Font& font, ColorRef text, ColorRef back, const std::vector<TextLine>& lines,
                   const Rect& rect, std::uint32_t format, std::vector<Rect>* bands) {
    const TextLayout layout = MeasureText(font, lines, rect, format, Box{0, 0, targetW, targetH});
    return PaintText(dpy, draw, targetW, targetH, layout, text, back, bands);
}

}  // namespace scriblane::linuxp
