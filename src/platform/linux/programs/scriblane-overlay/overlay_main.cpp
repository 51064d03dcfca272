// scriblane-overlay: keeps a command-line drawing on screen for its
// lifetime, so `scriblane TEXT` can return at once (the exchange is in
// overlay/overlay_protocol.h). Where the compositor has an overlay layer of
// its own the drawing goes there, painted by the drawing process for the
// output this helper's surface is on; elsewhere on XWayland on an
// override-redirect window that process paints.
// What is shown goes with this process's connections.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/overlay/wayland/native_layer.h"
#include "platform/linux/overlay/overlay_protocol.h"
#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/posix/time_left.h"
#include "platform/linux/x11/argb_visual.h"
#include "platform/linux/x11/x11_outputs.h"

namespace {

using Clock = std::chrono::steady_clock;
using scriblane::Rect;
using scriblane::linuxp::MillisecondsLeft;
namespace linuxp = scriblane::linuxp;
namespace protocol = scriblane::linuxp::overlay_protocol;

int IgnoreError(Display*, XErrorEvent*) { return 0; }

bool Say(std::string_view line) {
    return write(STDOUT_FILENO, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

// The next line on stdin, "" at its end or once `deadline` has passed.
std::string ReadLine(Clock::time_point deadline) {
    std::string line;
    char c = 0;
    while (line.size() < 256) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return {};
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        line += c;
        if (c == '\n') break;
    }
    return line;
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

// Reads `size` bytes of stdin into `into` by `deadline`; false when they
// did not all come.
bool ReadAll(char* into, std::size_t size, Clock::time_point deadline) {
    while (size > 0) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = read(STDIN_FILENO, into, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Keeps `shown` for its lifetime; ends early should the compositor close
// it or drop us.
int KeepForLifetime(linuxp::NativeLayer& layer, std::uint64_t shown) {
    AwaitHandBack();
    const auto deadline = Clock::now() + linuxp::kOverlayLifetime;
    while (MillisecondsLeft(deadline) > 0 && layer.StillShown(shown)) {
        pollfd wayland{layer.Fd(), POLLIN, 0};
        poll(&wayland, 1, MillisecondsLeft(deadline));
    }
    return 0;
}

// On the compositor's layer with no X server in between: our surface is on
// an output first, the drawing process paints for it and hands us the
// pixels. Ends the process.
int KeepNative(linuxp::NativeLayer& layer, const std::optional<linuxp::OutputPlace>& primary) {
    const auto target = layer.Prepare(primary);
    if (!target) {
        Say(protocol::kFailed);
        return 1;
    }
    if (!Say(protocol::SurfaceLine(*target))) return 1;
    std::uint64_t shown = 0;
    const auto deadline = Clock::now() + linuxp::kHandBackWait;
    if (const auto placement = protocol::ParsePictureLine(ReadLine(deadline), *target)) {
        linuxp::ArgbPicture picture{placement->bufferWidth, placement->bufferHeight, {}};
        picture.pixels.resize(static_cast<std::size_t>(picture.width) *
                              static_cast<std::size_t>(picture.height));
        if (ReadAll(reinterpret_cast<char*>(picture.pixels.data()), picture.pixels.size() * 4,
                    deadline)) {
            shown = layer.Show(*placement, picture);
        }
    }
    Say(shown != 0 ? protocol::kShown : protocol::kFailed);
    close(STDOUT_FILENO);
    if (shown == 0) return 1;
    return KeepForLifetime(layer, shown);
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
    // Where the compositor has an overlay layer, drawings go there directly;
    // XWayland, where it runs, only names the output.
    if (const auto layer = linuxp::NativeLayer::Connect()) {
        std::optional<linuxp::OutputPlace> primary;
        if (Display* x = XOpenDisplay(nullptr)) {
            primary = linuxp::PrimaryOutput(x);
            XCloseDisplay(x);
        }
        return KeepNative(*layer, primary);
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return 1;
    XSetErrorHandler(IgnoreError);
    return KeepWindow(dpy);
}
