// The colour the user sees on the X desktop, read where the desktop says it.
#include "platform/linux/x11/x11_desktop_colour.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/posix/child_output.h"
#include "platform/linux/x11/x11_property.h"

namespace scriblane::linuxp {

namespace {

// A settings tool that has not answered by then is not waited for: the
// window's start-up asks for this colour.
constexpr std::chrono::milliseconds kSettingsToolLimit{1000};

ColorRef ToColorRef(const XColor& c) {
    return (c.red >> 8) | ((c.green >> 8) << 8) | ((c.blue >> 8) << 16);
}

ColorRef PixelColour(::Display* dpy, unsigned long pixel) {
    XColor color{};
    color.pixel = pixel;
    XQueryColor(dpy, DefaultColormap(dpy, DefaultScreen(dpy)), &color);
    return ToColorRef(color);
}

// One pixel of `drawable`; nothing when the server refuses (a stale id).
// XGetImage waits for its reply and answers null when an error comes
// instead, so no round trip of its own is needed to tell.
std::optional<unsigned long> ReadPixel(::Display* dpy, Drawable drawable, int x, int y) {
    XImage* image = XGetImage(dpy, drawable, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

// The background picture a desktop tool published on the root, read at the
// screen's corner.
std::optional<ColorRef> PublishedPicture(::Display* dpy, Window root, const Rect& screen) {
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const Atom atom = XInternAtom(dpy, name, True);
        if (atom == None) continue;
        Pixmap pixmap = None;
        const auto items = ReadProperty32(dpy, root, atom, XA_PIXMAP, 1);
        if (items && items->size() == 1) {
            pixmap = static_cast<Pixmap>(static_cast<unsigned long>(items->front()));
        }
        if (pixmap == None) continue;
        if (const auto pixel = ReadPixel(dpy, pixmap, screen.left, screen.top)) {
            return PixelColour(dpy, *pixel);
        }
        // A stale id: the picture is gone; try the next source.
    }
    return std::nullopt;
}

// The root's own colour (xsetroot -solid and the like). X cannot report a
// window's background back, so the root's pixels are read where no window
// covers them, on a 3 x 3 grid over the screen. Drawing on the root itself
// (this program's own text, other tools) can change a few of those pixels,
// so a colour counts only when a majority of at least two uncovered points
// share it; a picture without one plain colour answers nothing.
std::optional<ColorRef> PlainRoot(::Display* dpy, Window root, const Rect& screen) {
    if (screen.right <= screen.left || screen.bottom <= screen.top) return std::nullopt;
    const int xs[] = {screen.left, screen.left + (screen.right - screen.left) / 2, screen.right - 1};
    const int ys[] = {screen.top, screen.top + (screen.bottom - screen.top) / 2, screen.bottom - 1};

    // Held for the few requests below, so no window maps or moves between
    // the look at the windows and the look at the pixels.
    XGrabServer(dpy);
    std::vector<Rect> covers;
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy, root, &rootReturn, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            // Input-only windows show nothing; unmapped ones are not there.
            if (!XGetWindowAttributes(dpy, children[i], &a) || a.c_class != InputOutput ||
                a.map_state != IsViewable) {
                continue;
            }
            const int outer = 2 * a.border_width;
            covers.push_back(Rect{a.x, a.y, a.x + a.width + outer, a.y + a.height + outer});
        }
    }
    if (children) XFree(children);

    std::map<unsigned long, int> votes;
    int sampled = 0;
    for (const int y : ys) {
        std::vector<int> open;  // the row's uncovered points, left to right
        for (const int x : xs) {
            bool covered = false;
            for (const Rect& c : covers) {
                covered = covered || (x >= c.left && x < c.right && y >= c.top && y < c.bottom);
            }
            if (!covered) open.push_back(x);
        }
        if (open.empty()) continue;
        // One request a row: the span from its first open point to its last.
        const int width = open.back() - open.front() + 1;
        XImage* row = XGetImage(dpy, root, open.front(), y, static_cast<unsigned>(width), 1,
                                AllPlanes, ZPixmap);
        if (!row) continue;
        for (const int x : open) {
            ++votes[XGetPixel(row, x - open.front(), 0)];
            ++sampled;
        }
        XDestroyImage(row);
    }
    XUngrabServer(dpy);
    XFlush(dpy);

    for (const auto& [pixel, n] : votes) {
        if (n >= 2 && 2 * n > sampled) return PixelColour(dpy, pixel);
    }
    return std::nullopt;
}

// GNOME's own setting (also used by Unity), read through the gsettings tool
// so that no settings library is needed. The colour is what the user sees
// only when no picture is shown over it.
std::optional<ColorRef> GnomeSetting(::Display* dpy) {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (!desktops) return std::nullopt;
    bool gnome = false;
    std::stringstream list(desktops);
    for (std::string name; std::getline(list, name, ':');) {
        gnome = gnome || name == "GNOME" || name == "Unity";
    }
    if (!gnome) return std::nullopt;

    const auto output = RunForOutput(
        {"gsettings", "list-recursively", "org.gnome.desktop.background"}, kSettingsToolLimit);
    if (!output) return std::nullopt;
    // Lines read "<schema> <key> <value>", strings in single quotes.
    std::map<std::string, std::string> keys;
    std::stringstream lines(*output);
    for (std::string line; std::getline(lines, line);) {
        std::stringstream fields(line);
        std::string schema, key, value;
        if (!(fields >> schema >> key) || !std::getline(fields >> std::ws, value)) continue;
        if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
            value = value.substr(1, value.size() - 2);
        }
        keys[key] = value;
    }
    const bool pictureShown = keys["picture-options"] != "none" && !keys["picture-uri"].empty();
    if (pictureShown || !keys.count("primary-color")) return std::nullopt;
    XColor color{};
    if (!XParseColor(dpy, DefaultColormap(dpy, DefaultScreen(dpy)),
                     keys["primary-color"].c_str(), &color)) {
        return std::nullopt;
    }
    return ToColorRef(color);
}

}  // namespace

std::optional<ColorRef> ReadServerDesktopColour(_XDisplay* dpy, const Rect& screen) {
    const Window root = DefaultRootWindow(dpy);
    if (auto colour = PublishedPicture(dpy, root, screen)) return colour;
    return PlainRoot(dpy, root, screen);
}

std::optional<ColorRef> ReadSettingsDesktopColour(_XDisplay* dpy) { return GnomeSetting(dpy); }

std::optional<ColorRef> ReadDesktopColour(_XDisplay* dpy, const Rect& screen) {
    if (auto colour = ReadServerDesktopColour(dpy, screen)) return colour;
    return ReadSettingsDesktopColour(dpy);
}

}  // namespace scriblane::linuxp
