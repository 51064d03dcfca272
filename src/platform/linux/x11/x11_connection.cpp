// The X connection: opening it, owning it, and what happens on protocol and I/O errors.
#include "platform/linux/x11/x11_connection.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace scriblane::linuxp {

namespace {

unsigned long errorCount = 0;

int RecordError(::Display*, XErrorEvent*) {
    // A stale pixmap id or a vanished window is not worth dying for.
    ++errorCount;
    return 0;
}

int LostConnection(::Display*) {
    static const char message[] = "scriblane: lost the connection to the X display\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(1);
}

}  // namespace

void ReportNoDisplay() {
    const char* raw = std::getenv("DISPLAY");
    // Shown on one line whatever the variable holds.
    std::string name;
    for (const char* c = raw ? raw : ""; *c; ++c) {
        name += (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) ? '?' : *c;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (name.empty() && wayland && *wayland) {
        // Drawing goes through X: on Wayland only XWayland can show it.
        std::fprintf(stderr,
                     "scriblane: cannot open X display (DISPLAY is not set): this Wayland "
                     "session needs XWayland for Scriblane to draw\n");
    } else if (name.empty()) {
        std::fprintf(stderr, "scriblane: cannot open X display (DISPLAY is not set)\n");
    } else {
        std::fprintf(stderr,
                     "scriblane: cannot open X display \"%s\" (is an X server running and "
                     "DISPLAY set?)\n",
                     name.c_str());
    }
}

void InstallX11ErrorHandlers() {
    XSetErrorHandler(RecordError);
    XSetIOErrorHandler(LostConnection);
}

_XDisplay* OpenX11Display() {
    ::Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        ReportNoDisplay();
        return nullptr;
    }
    InstallX11ErrorHandlers();
    return dpy;
}

X11Connection::~X11Connection() { XCloseDisplay(dpy_); }

unsigned long X11ErrorCount() { return errorCount; }

}  // namespace scriblane::linuxp
