#include "platform/linux/qt_x11.h"

// Before Xlib: its macros (None, Status, ...) would break these headers.
#include "platform/linux/qt_convert.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <time.h>

#include <chrono>
#include <string>

namespace scriblane::linuxp::x11 {
namespace {

std::optional<FrameExtents> ReadExtents(::Display* dpy, Window window, Atom extents) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<FrameExtents> result;
    if (XGetWindowProperty(dpy, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 4 && data != nullptr) {
        // Format-32 properties arrive as longs whatever the long's size.
        const long* v = reinterpret_cast<const long*>(data);
        result = FrameExtents{static_cast<int>(v[0]), static_cast<int>(v[1]),
                              static_cast<int>(v[2]), static_cast<int>(v[3])};
    }
    if (data != nullptr) XFree(data);
    return result;
}

// True when a window manager that announces `feature` in _NET_SUPPORTED runs.
bool ManagerSupports(::Display* dpy, Atom feature) {
    const Window root = DefaultRootWindow(dpy);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool running = false;
    if (XGetWindowProperty(dpy, root, XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False), 0, 1,
                           False, XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        type == XA_WINDOW && count == 1) {
        running = true;
    }
    if (data != nullptr) XFree(data);
    if (!running) return false;

    data = nullptr;
    bool supported = false;
    if (XGetWindowProperty(dpy, root, XInternAtom(dpy, "_NET_SUPPORTED", False), 0, 4096, False,
                           XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        type == XA_ATOM && format == 32 && data != nullptr) {
        const long* atoms = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count && !supported; ++i) {
            supported = static_cast<Atom>(atoms[i]) == feature;
        }
    }
    if (data != nullptr) XFree(data);
    return supported;
}

}  // namespace

std::optional<double> ServerXftDpi() {
    ::Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return std::nullopt;
    std::optional<double> dpi;
    if (const char* resources = XResourceManagerString(dpy)) dpi = ParseXftDpi(resources);
    XCloseDisplay(dpy);
    return dpi;
}

bool RequestFrameExtents(void* display, unsigned long window) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr || window == 0) return false;
    if (ReadExtents(dpy, window, XInternAtom(dpy, "_NET_FRAME_EXTENTS", False))) return false;
    const Atom request = XInternAtom(dpy, "_NET_REQUEST_FRAME_EXTENTS", False);
    if (!ManagerSupports(dpy, request)) return false;

    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = request;
    ev.xclient.format = 32;
    XSendEvent(dpy, DefaultRootWindow(dpy), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(dpy);
    return true;
}

FrameExtents AwaitFrameExtents(void* display, unsigned long window, bool requested,
                               int timeoutMs) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr || window == 0) return {};
    const Atom extents = XInternAtom(dpy, "_NET_FRAME_EXTENTS", False);
    if (auto known = ReadExtents(dpy, window, extents)) return *known;
    if (!requested) return {};
    // The answer is a property change on our window; polling the property
    // keeps us off the toolkit's event queue.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const timespec pause{0, 500'000};
        nanosleep(&pause, nullptr);
        if (auto answer = ReadExtents(dpy, window, extents)) return *answer;
    }
    return {};
}

FrameExtents QueryFrameExtents(void* display, unsigned long window, int timeoutMs) {
    const bool requested = RequestFrameExtents(display, window);
    return AwaitFrameExtents(display, window, requested, timeoutMs);
}

}  // namespace scriblane::linuxp::x11
