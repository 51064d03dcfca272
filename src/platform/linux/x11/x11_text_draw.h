// Laid-out text painted into any X drawable through Xft (DrawTextA's painter on X).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/linux/text/text_layout.h"
#include "platform/linux/text/text_measure.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;
struct _XftDraw;

namespace scriblane::linuxp {

// Paints `layout` into `target`, whose drawable is `targetWidth` x
// `targetHeight` pixels: each line's band filled with `back`, its glyphs,
// then its underline and strike-out pieces in `text`, all within the
// layout's clip. Colours are allocated in the target's visual and
// colormap. False (nothing drawn) when the layout's face cannot be opened
// by Xft or a colour cannot be allocated; the
// connection is flushed after drawing. When `bands` is given, it receives
// each drawn line's filled box as it lies on the target.
bool PaintText(_XDisplay* dpy, _XftDraw* target, std::int64_t targetWidth,
               std::int64_t targetHeight, const TextLayout& layout, ColorRef text, ColorRef back,
               std::vector<Rect>* bands = nullptr);

// Measures `lines` (MeasureText, as far as the target reaches) and paints them.
bool DrawTextLines(_XDisplay* dpy, _XftDraw* target, std::int64_t targetWidth,
                   std::int64_t targetHeight, X11Font& font, ColorRef text, ColorRef back,
                   const std::vector<TextLine>& lines, const Rect& rect, std::uint32_t format,
                   std::vector<Rect>* bands = nullptr);

}  // namespace scriblane::linuxp
