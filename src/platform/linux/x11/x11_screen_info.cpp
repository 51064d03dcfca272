// X resources and window-manager answers read before a window is mapped.
#include "platform/linux/x11/x11_screen_info.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/linux/x11/x11_property.h"

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
    const auto v = ReadProperty32(dpy, window, extents, XA_CARDINAL, 4);
    if (!v || v->size() != 4) return std::nullopt;
    return FrameExtents{static_cast<int>((*v)[0]), static_cast<int>((*v)[1]),
                        static_cast<int>((*v)[2]), static_cast<int>((*v)[3])};
}

// True when a window manager that announces `feature` in _NET_SUPPORTED
// (`supported`) runs: its _NET_SUPPORTING_WM_CHECK (`check`) is on the root.
bool ManagerSupports(::Display* dpy, Atom feature, Atom check, Atom supported) {
    const Window root = DefaultRootWindow(dpy);
    const auto checkWindow = ReadProperty32(dpy, root, check, XA_WINDOW, 1);
    if (!checkWindow || checkWindow->size() != 1) return false;
    const auto atoms = ReadProperty32(dpy, root, supported, XA_ATOM, 4096);
    if (!atoms) return false;
    for (const long atom : *atoms) {
        if (static_cast<Atom>(atom) == feature) return true;
    }
    return false;
}

// The request's name when a window manager that answers it runs, else 0.
// The names in one round trip: the window's map waits for this.
Atom FrameRequest(::Display* dpy) {
    char* names[] = {const_cast<char*>("_NET_REQUEST_FRAME_EXTENTS"),
                     const_cast<char*>("_NET_SUPPORTING_WM_CHECK"),
                     const_cast<char*>("_NET_SUPPORTED")};
    Atom atoms[3] = {};
    if (!XInternAtoms(dpy, names, 3, False, atoms)) return 0;
    return ManagerSupports(dpy, atoms[0], atoms[1], atoms[2]) ? atoms[0] : 0;
}

void SendFrameRequest(::Display* dpy, Window window, Atom request) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = request;
    ev.xclient.format = 32;
    XSendEvent(dpy, DefaultRootWindow(dpy), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(dpy);
}

}  // namespace

std::optional<double> ServerXftDpi() {
    ::Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return std::nullopt;
    const std::optional<double> dpi = XftDpiOf(dpy);
    XCloseDisplay(dpy);
    return dpi;
}

std::optional<double> XftDpiOf(void* display) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr) return std::nullopt;
    const char* resources = XResourceManagerString(dpy);
    return resources != nullptr ? ParseXftDpi(resources) : std::nullopt;
}

bool RequestFrameExtents(void* display, unsigned long window) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr || window == 0) return false;
    const Atom request = FrameRequest(dpy);
    if (request == 0) return false;
    SendFrameRequest(dpy, window, request);
    return true;
}

unsigned long MakeStandIn(void* display, const FrameLook& look) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr) return 0;
    char* names[] = {const_cast<char*>("_MOTIF_WM_HINTS"),
                     const_cast<char*>("_NET_WM_WINDOW_TYPE"),
                     const_cast<char*>("_NET_WM_WINDOW_TYPE_NORMAL"),
                     const_cast<char*>("_NET_WM_NAME"), const_cast<char*>("UTF8_STRING")};
    Atom atoms[5] = {};
    if (!XInternAtoms(dpy, names, 5, False, atoms)) return 0;
    const int width = std::max(look.width, 1), height = std::max(look.height, 1);
    const Window standIn = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, width, height,
                                               0, 0, 0);
    if (standIn == 0) return 0;

    XStoreName(dpy, standIn, look.title.c_str());
    XChangeProperty(dpy, standIn, atoms[3], atoms[4], 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(look.title.data()),
                    static_cast<int>(look.title.size()));
    XClassHint classHint{const_cast<char*>(look.instance.c_str()),
                         const_cast<char*>(look.className.c_str())};
    XSetClassHint(dpy, standIn, &classHint);
    XSizeHints size{};
    size.flags = PMinSize | PMaxSize;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(dpy, standIn, &size);
    const long type = static_cast<long>(atoms[2]);
    XChangeProperty(dpy, standIn, atoms[1], XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    // Motif hints, as the toolkit gives them for the window's buttons:
    // functions resize, move, minimize, close; decorations border, resize
    // handles, title, menu, minimize. (The fixed size rules resizing out.)
    const long motif[5] = {0x3, 0x2e, 0x3e, 0, 0};
    XChangeProperty(dpy, standIn, atoms[0], atoms[0], 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
    return standIn;
}

FrameProbe::~FrameProbe() {
    if (standIn_ != 0) {
        XDestroyWindow(static_cast<::Display*>(display_), standIn_);
        XFlush(static_cast<::Display*>(display_));
    }
}

void FrameProbe::Start(void* display, const FrameLook& look) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr || standIn_ != 0) return;
    const Atom request = FrameRequest(dpy);
    if (request == 0) return;
    display_ = display;
    standIn_ = MakeStandIn(dpy, look);
    if (standIn_ != 0) SendFrameRequest(dpy, standIn_, request);
}

FrameExtents FrameProbe::Answer(std::chrono::milliseconds limit) {
    if (standIn_ == 0) return {};
    const FrameExtents found = AwaitFrameExtents(display_, standIn_, true, limit);
    XDestroyWindow(static_cast<::Display*>(display_), standIn_);
    XFlush(static_cast<::Display*>(display_));
    standIn_ = 0;
    return found;
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

namespace {

// An 8-bit channel placed in a true-colour visual's mask.
unsigned long Channel(int value, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long top = mask >> shift;
    return ((static_cast<unsigned long>(value) * top + 127) / 255) << shift;
}

}  // namespace

void SetUnpaintedColour(void* display, unsigned long window, int r, int g, int b) {
    ::Display* dpy = static_cast<::Display*>(display);
    if (dpy == nullptr || window == 0) return;
    const Visual* visual = DefaultVisual(dpy, DefaultScreen(dpy));
    if (visual == nullptr || visual->c_class != TrueColor) return;
    XSetWindowBackground(dpy, window,
                         Channel(r, visual->red_mask) | Channel(g, visual->green_mask) |
                             Channel(b, visual->blue_mask));
}

}  // namespace scriblane::linuxp::x11
