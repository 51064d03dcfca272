// scriblane-overlay: keeps a command-line drawing on XWayland for its
// lifetime, so `scriblane TEXT` can return at once (the exchange is in
// overlay/overlay_protocol.h): on an override-redirect window that the
// drawing process paints. What is shown goes with this process's
// connection.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>

#include "platform/linux/overlay/overlay_protocol.h"
#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/posix/time_left.h"
#include "platform/linux/x11/argb_visual.h"

namespace {

using Clock = std::chrono::steady_clock;
using scriblane::linuxp::MillisecondsLeft;
namespace linuxp = scriblane::linuxp;
namespace protocol = scriblane::linuxp::overlay_protocol;

int IgnoreError(Display*, XErrorEvent*) { return 0; }

bool Say(std::string_view line) {
    return write(STDOUT_FILENO, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

// The drawing process closes our stdin once the drawing is shown (or when
// it ends); the lifetime starts then.
void AwaitHandBack() {
    const auto deadline = Clock::now() + linuxp::kHandBackWait;
    for (;;) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        char buffer[64];
        if (ready <= 0 || read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
    }
}

// On XWayland: an override-redirect window the drawing process paints.
// Ends the process.
int KeepWindow(Display* dpy) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    unsigned long mask = CWOverrideRedirect;
    int depth = CopyFromParent;
    Visual* visual = CopyFromParent;
    // With alpha where the server has it, so all but the drawn bands can be
    // see-through (the drawing process paints it to match).
    if (const auto argb = linuxp::FindArgbVisual(dpy)) {
        depth = 32;
        visual = argb->visual;
        attributes.colormap = argb->colormap;
        attributes.border_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    const Window window = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, depth,
                                        InputOutput, visual, mask, &attributes);
    XSync(dpy, False);
    if (!Say(protocol::WindowLine(window))) return 1;
    close(STDOUT_FILENO);
    AwaitHandBack();

    // Events are read only so the connection stays healthy; a lost server
    // ends the process through Xlib's I/O error handler.
    const auto deadline = Clock::now() + linuxp::kOverlayLifetime;
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

}  // namespace

int main() {
    // A drawing process that has gone reads no answer; that is no reason to die.
    signal(SIGPIPE, SIG_IGN);
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return 1;
    XSetErrorHandler(IgnoreError);
    return KeepWindow(dpy);
}
