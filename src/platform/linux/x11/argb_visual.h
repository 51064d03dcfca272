// The server's 32-bit visual with alpha, which lets a drawing be see-through
// around its bands.
#pragma once

#include <X11/Xlib.h>

#include <optional>


namespace scriblane::linuxp {

struct ArgbVisual {
    Visual* visual;
    Colormap colormap;  // made for the visual; the caller frees it
};

// The visual and a colormap for it, where the server has one.
std::optional<ArgbVisual> FindArgbVisual(::Display* dpy);

}  // namespace scriblane::linuxp
