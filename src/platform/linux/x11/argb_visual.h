// The server's 32-bit visual with alpha, which lets a drawing be see-through
// around its bands, and the pixels drawn with it read back.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "platform/linux/overlay/overlay_picture.h"

namespace scriblane::linuxp {

struct ArgbVisual {
    Visual* visual;
    Colormap colormap;  // made for the visual; the caller frees it
};

// The visual and a colormap for it, where the server has one.
std::optional<ArgbVisual> FindArgbVisual(::Display* dpy);

// True when the visual's pixels are 8-bit alpha, red, green and blue from
// the top byte down, as a compositor takes them (so every server lays its
// alpha visual out).
bool IsArgb8888(const ArgbVisual& argb);

// The pixels of `box` in `drawable` (32 bits deep, drawn with an
// IsArgb8888 visual); nothing when they cannot be read.
std::optional<ArgbPicture> ReadArgbPicture(::Display* dpy, Drawable drawable, const Rect& box);

}  // namespace scriblane::linuxp
