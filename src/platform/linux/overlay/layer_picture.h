// A drawing painted into pixels for the compositor's own layer, with no
// round trip through the X server.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/overlay/x11_overlay.h"

namespace scriblane::linuxp {

// `lines` as DrawTextA places them on the root, painted by the image
// painter at scale 1 (the pixels the server gives the root): the box around
// the bands within the root and its pixels. Nothing when no band is drawn.
std::optional<PlacedPicture> DrawOverlayPicture(_XDisplay* dpy, X11Font& font, ColorRef text,
                                                ColorRef back, const std::vector<TextLine>& lines,
                                                const Rect& rect, std::uint32_t format);

}  // namespace scriblane::linuxp
