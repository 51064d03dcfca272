// scriblane-overlay: keeps a command-line drawing for its lifetime, so
// `scriblane TEXT` can return at once (the exchange is in
// overlay/overlay_protocol.h): on XWayland, an override-redirect window that
// the drawing process paints; on the compositor's layer, the drawing
// process's own connection, handed over. What is shown goes with this
// process's connection.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
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

// Reads and drops what the compositor sent (closing any descriptor it
// passed); false once it has hung up.
bool Drain(int connection) {
    for (;;) {
        char data[4096];
        alignas(cmsghdr) char control[CMSG_SPACE(28 * sizeof(int))];
        iovec io{data, sizeof data};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(connection, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
        if (n == 0) return false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(c) + i * sizeof fd, sizeof fd);
                close(fd);
            }
        }
    }
}

// On the compositor's layer: holds the drawing process's connection for
// the drawing's lifetime, once that process says it is shown. Until then
// the connection is the drawing process's alone: nothing of it is read here.
int KeepConnection() {
    const int connection = protocol::kConnectionFd;
    std::string said;
    while (said.size() < protocol::kShownLine.size()) {
        char buffer[16];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;  // gone without showing anything
        said.append(buffer, static_cast<std::size_t>(n));
    }
    if (said != protocol::kShownLine) return 0;
    close(STDIN_FILENO);

    // What arrives is read only so the connection stays healthy; the
    // compositor hanging up ends the drawing early.
    const auto deadline = Clock::now() + linuxp::kOverlayLifetime;
    while (MillisecondsLeft(deadline) > 0) {
        pollfd c{connection, POLLIN, 0};
        const int ready = poll(&c, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (ready > 0 && !Drain(connection))) break;
    }
    close(connection);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A drawing process that has gone reads no answer; that is no reason to die.
    signal(SIGPIPE, SIG_IGN);
    if (argc == 2 && std::string_view(argv[1]) == protocol::kKeepConnection) {
        return KeepConnection();
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return 1;
    XSetErrorHandler(IgnoreError);
    return KeepWindow(dpy);
}
