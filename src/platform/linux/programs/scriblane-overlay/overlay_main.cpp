// scriblane-overlay: keeps a command-line drawing's window on XWayland for
// its lifetime, so `scriblane TEXT` can return at once. It makes an
// override-redirect window, says its id on stdout, and once its stdin ends
// (the drawing is on the window) keeps it for the lifetime. The window and
// the picture on it go with this process's connection.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/linux/x11/x11_overlay.h"

namespace {

int IgnoreError(Display*, XErrorEvent*) { return 0; }

// Milliseconds left until `deadline`, for poll.
int Left(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

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
    XVisualInfo info;
    if (XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info)) {
        depth = 32;
        visual = info.visual;
        attributes.colormap = XCreateColormap(dpy, DefaultRootWindow(dpy), visual, AllocNone);
        attributes.border_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    const Window window = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, depth,
                                        InputOutput, visual, mask, &attributes);
    XSync(dpy, False);
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%lu\n", window);
    if (write(STDOUT_FILENO, line, static_cast<std::size_t>(n)) != n) return 1;
    close(STDOUT_FILENO);

    // The drawing process closes our stdin once the window shows the
    // drawing (or when it ends); it gets a few seconds at most.
    const auto handedBack = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, Left(handedBack));
        if (ready < 0 && errno == EINTR) continue;
        char buffer[64];
        if (ready <= 0 || read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
    }

    // Events are read only so the connection stays healthy; a lost server
    // ends the process through Xlib's I/O error handler.
    const auto deadline = Clock::now() + scriblane::linuxp::kOverlayLifetime;
    while (Left(deadline) > 0) {
        pollfd x{ConnectionNumber(dpy), POLLIN, 0};
        if (poll(&x, 1, Left(deadline)) > 0) {
            while (XPending(dpy) > 0) {
                XEvent event;
                XNextEvent(dpy, &event);
            }
        }
    }
    XCloseDisplay(dpy);
    return 0;
}
