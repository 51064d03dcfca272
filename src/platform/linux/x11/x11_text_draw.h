// Laid-out lines of text drawn into any X drawable through Xft (the body of DrawTextA).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/linux/text/text_layout.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;
struct _XftDraw;

namespace scriblane::linuxp {

// DrawTextA format bits beyond the ones the core names.
inline constexpr std::int32_t kDtRight = 2;
inline constexpr std::int32_t kDtBottom = 8;
inline constexpr std::int32_t kDtSingleLine = 32;
inline constexpr std::int32_t kDtNoPrefix = 2048;

// Draws `lines` into `target`, whose drawable is `targetWidth` x
// `targetHeight` pixels, as DrawTextA places them in `rect` for `format`:
// one font cell per line, each line's advance box filled with `back`, the
// glyphs, underlines and strike-out in `text`, clipped to `rect` unless
// kDtNoClip. Colours are allocated in the target's visual and colormap.
// `font` must be realised. False (nothing drawn) when a colour cannot be
// allocated; the connection is flushed after drawing. When `bands` is given,
// it receives each drawn line's filled box as it lies on the target.
bool DrawTextLines(_XDisplay* dpy, _XftDraw* target, std::int64_t targetWidth,
                   std::int64_t targetHeight, X11Font& font, ColorRef text, ColorRef back,
                   const std::vector<TextLine>& lines, const Rect& rect, std::uint32_t format,
                   std::vector<Rect>* bands = nullptr);

}  // namespace scriblane::linuxp
