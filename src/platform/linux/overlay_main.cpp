// scriblane-overlay: holds one command-line drawing on XWayland for its
// lifetime, so `scriblane TEXT` can return at once. It reads the drawing
// request on stdin, shows it, answers "1" on stdout once the window is
// mapped, and ends when the time is up.
#include <X11/Xlib.h>
#include <poll.h>
#include <cerrno>
#include <unistd.h>

#include <chrono>
#include <string>

#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_display.h"
#include "platform/linux/x11_overlay.h"

namespace {

std::string ReadAll(int fd) {
    std::string data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return data;
        }
    }
}

}  // namespace

int main() {
    using namespace scriblane;
    using namespace scriblane::linuxp;
    const auto request = DecodeOverlayRequest(ReadAll(STDIN_FILENO));
    if (!request) return 2;
    ::Display* dpy = OpenX11Display();
    if (!dpy) return 1;
    X11Connection connection(dpy);
    X11Display display(dpy);
    display.ForceOverlays();
    const Handle dc = display.CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    const Handle font = display.CreateFontA(request->font);
    if (font != 0) display.SelectObject(dc, font);
    display.SetTextColor(dc, request->text);
    display.SetBkColor(dc, request->back);
    Rect rect = request->rect;
    display.DrawTextA(dc, request->bytes.data(), static_cast<std::int32_t>(request->bytes.size()),
                      &rect, request->format);
    // Mapped (or nothing to show): the caller may return now.
    const char answer = '1';
    ssize_t ignored = write(STDOUT_FILENO, &answer, 1);
    (void)ignored;
    close(STDOUT_FILENO);

    // Events are read only so the connection stays healthy; a lost server
    // ends the process through the I/O error handler.
    while (auto deadline = display.NextOverlayDeadline()) {
        const auto now = std::chrono::steady_clock::now();
        if (display.ExpireOverlays(now) == 0) break;
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - now);
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(wait.count()) + 1) > 0) {
            while (XPending(dpy) > 0) {
                XEvent event;
                XNextEvent(dpy, &event);
            }
        }
    }
    return 0;
}
