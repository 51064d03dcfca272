// The server's 32-bit visual with alpha.
#include "platform/linux/x11/argb_visual.h"

#include <X11/Xutil.h>

namespace scriblane::linuxp {

std::optional<ArgbVisual> FindArgbVisual(::Display* dpy) {
    XVisualInfo info;
    if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info)) return std::nullopt;
    return ArgbVisual{info.visual,
                      XCreateColormap(dpy, DefaultRootWindow(dpy), info.visual, AllocNone)};
}

}  // namespace scriblane::linuxp
