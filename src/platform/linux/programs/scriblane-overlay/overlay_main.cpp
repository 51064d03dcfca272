// scriblane-overlay: keeps a command-line drawing's window on XWayland for
// its lifetime, so `scriblane TEXT` can return at once (the exchange is in
// overlay_protocol.h). The window and the picture on it go with this
// process's connection.
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "platform/linux/posix/time_left.h"
#include "platform/linux/programs/overlay_protocol.h"
#include "platform/linux/x11/argb_visual.h"
#include "platform/linux/x11/x11_overlay.h"

namespace {

using scriblane::linuxp::MillisecondsLeft;
namespace protocol = scriblane::linuxp::overlay_protocol;

int IgnoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return 1;
    XSetErrorHandler(IgnoreError);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    unsigned long mask = CWOverrideRedirect;
    int depth = CopyFromParent;
    Visual* visual = CopyFromParent;
    // With alpha where the server has it, so all but the drawn bands can be
    // see-through (the drawing process paints it to match).
    if (const auto argb = scriblane::linuxp::FindArgbVisual(dpy)) {
        depth = 32;
        visual = argb->visual;
        attributes.colormap = argb->colormap;
        attributes.border_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    const Window window = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, depth,
                                        InputOutput, visual, mask, &attributes);
    XSync(dpy, False);
    const std::string line = protocol::WindowLine(window);
    if (write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 1;
    close(STDOUT_FILENO);

    // The drawing process closes our stdin once the window shows the
    // drawing (or when it ends).
    const auto handedBack = Clock::now() + protocol::kHandBackWait;
    for (;;) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, MillisecondsLeft(handedBack));
        if (ready < 0 && errno == EINTR) continue;
        char buffer[64];
        if (ready <= 0 || read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
    }

    // Events are read only so the connection stays healthy; a lost server
    // ends the process through Xlib's I/O error handler.
    const auto deadline = Clock::now() + scriblane::linuxp::kOverlayLifetime;
    while (MillisecondsLeft(deadline) > 0) {
        pollfd x{ConnectionNumber(dpy), POLLIN, 0};
        if (poll(&x, 1, MillisecondsLeft(deadline)) > 0) {
            while (XPending(dpy) > 0) {
                XEvent event;
                XNextEvent(dpy, &event);
            }
        }
    }
    XCloseDisplay(dpy);
    return 0;
}
