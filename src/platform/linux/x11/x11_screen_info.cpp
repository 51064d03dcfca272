// X resources and window-manager answers read before a window is mapped.
#include "platform/linux/x11/x11_screen_info.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

namespace scriblane::linuxp {

std::optional<double> ParseXftDpi(std::string_view resources) {
    // One "name:\tvalue" entry a line; the last entry of a name wins, as in Xrm.
    std::optional<double> found;
    std::size_t pos = 0;
    while (pos < resources.size()) {
        std::size_t end = resources.find('\n', pos);
        if (end == std::string_view::npos) end = resources.size();
        std::string_view line = resources.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
        if (name != "Xft.dpi") continue;
        const std::string value(line.substr(colon + 1));
        char* stop = nullptr;
        const double dpi = std::strtod(value.c_str(), &stop);
        while (stop != nullptr && (*stop == ' ' || *stop == '\t')) ++stop;
        if (stop != value.c_str() && stop != nullptr && *stop == '\0' && std::isfinite(dpi) &&
            dpi > 0) {
            found = dpi;
        } else {
            found.reset();
        }
    }
    return found;
}

}  // namespace scriblane::linuxp

namespace scriblane::linuxp::x11 {
namespace {

// Between looks at the window for the manager's answer.
constexpr std::chrono::microseconds kExtentsPollPause{500};

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
                               std::chrono::milliseconds limit) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr || window == 0) return {};
    const Atom extents = XInternAtom(dpy, "_NET_FRAME_EXTENTS", False);
    if (auto known = ReadExtents(dpy, window, extents)) return *known;
    if (!requested) return {};
    // The answer is a property change on our window; polling the property
    // keeps us off the toolkit's event queue.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kExtentsPollPause);
        if (auto answer = ReadExtents(dpy, window, extents)) return *answer;
    }
    return {};
}

}  // namespace scriblane::linuxp::x11
