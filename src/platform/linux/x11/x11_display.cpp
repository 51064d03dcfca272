// gdi32/user32 on X11: device contexts painting the root window, colours, screen and work area.
#include "platform/linux/x11/x11_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/linux/form/system_colours.h"
#include "platform/linux/text/text_layout.h"
#include "platform/linux/x11/x11_desktop_colour.h"
#include "platform/linux/x11/x11_outputs.h"
#include "platform/linux/x11/x11_property.h"
#include "platform/linux/x11/x11_text_draw.h"

namespace scriblane::linuxp {

namespace {

// `rect` moved by (dx, dy), each edge held within 32 bits.
Rect Moved(const Rect& rect, std::int32_t dx, std::int32_t dy) {
    auto move = [](std::int32_t v, std::int32_t by) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{v} + by, INT32_MIN, INT32_MAX));
    };
    return Rect{move(rect.left, dx), move(rect.top, dy), move(rect.right, dx),
                move(rect.bottom, dy)};
}

// The first desktop's work area as the window manager publishes it.
std::optional<X11Display::Published> PublishedWorkArea(::Display* dpy) {
    const Atom workArea = XInternAtom(dpy, "_NET_WORKAREA", True);
    const auto v = ReadProperty32(dpy, DefaultRootWindow(dpy), workArea, XA_CARDINAL, 4);
    if (!v || v->size() < 4) return std::nullopt;
    return X11Display::Published{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

}  // namespace

X11Display::X11Display(_XDisplay* dpy) : dpy_(dpy) {}

X11Display::~X11Display() {
    // Their Xft faces go while the connection is there.
    CloseFonts();
}

void X11Display::ScreensMayHaveChanged() {
    primary_.reset();
    drawings_.ScreensMayHaveChanged();
}

bool X11Display::RealizeFor(TextFont& font) { return RealizeFont(dpy_, font); }

std::pair<std::int32_t, std::int32_t> X11Display::RootSize() {
    // Asked of the server: Xlib's own figures go stale when the screen is
    // resized while the program runs.
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    const int screen = DefaultScreen(dpy_);
    if (!XGetGeometry(dpy_, RootWindow(dpy_, screen), &root, &x, &y, &width, &height, &border,
                      &depth)) {
        return {DisplayWidth(dpy_, screen), DisplayHeight(dpy_, screen)};
    }
    return {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

const OutputPlace& X11Display::Primary() {
    if (!primary_) {
        const auto [width, height] = RootSize();
        primary_ = PrimaryOutput(dpy_).value_or(OutputPlace{{}, Rect{0, 0, width, height}});
    }
    return *primary_;
}

GdiDisplay::Screen X11Display::ScreenNow() {
    const Rect p = PrimaryScreen();
    return Screen{p.right - p.left, p.bottom - p.top, DefaultDepth(dpy_, DefaultScreen(dpy_))};
}

std::int32_t X11Display::DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                                   std::uint32_t format) {
    const auto drawing = DrawingOf(hdc, text, count, rect, format);
    if (!drawing) return 0;
    const Context& ctx = drawing->context;
    X11Font* font = drawing->font;
    const std::vector<TextLine>& lines = drawing->lines;
    const std::int64_t total =
        std::int64_t{font->size.cell} * static_cast<std::int64_t>(lines.size());

    const std::int32_t drawn = static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
    // The screen's context starts at the primary output's top-left corner,
    // wherever that output sits in the root, so a box centred on the
    // screen's size is centred on that output.
    const OutputPlace& primary = Primary();
    const Rect onRoot = Moved(*rect, primary.geometry.left, primary.geometry.top);
    return drawings_.Draw(*font, ctx.text, ctx.back, lines, onRoot, format) ? drawn : 0;
}

std::int32_t X11Display::SystemParametersInfoA(std::uint32_t action, std::uint32_t, Rect* rect,
                                               std::uint32_t) {
    if (action != kSpiGetWorkArea || !rect) return 0;
    const Rect primary = PrimaryScreen();
    Rect area = primary;
    std::optional<Published> published;
    if (workAreaAhead_) {
        published = *workAreaAhead_;
        workAreaAhead_.reset();
    } else {
        published = PublishedWorkArea(dpy_);
    }
    if (published) {
        const auto [left, top, width, height] = *published;
        const std::int64_t x0 = std::max<std::int64_t>(left, primary.left);
        const std::int64_t y0 = std::max<std::int64_t>(top, primary.top);
        const std::int64_t x1 = std::min<std::int64_t>(left + width, primary.right);
        const std::int64_t y1 = std::min<std::int64_t>(top + height, primary.bottom);
        if (x1 > x0 && y1 > y0) {
            area = Rect{static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
                        static_cast<std::int32_t>(x1), static_cast<std::int32_t>(y1)};
        }
    }
    *rect = area;
    return 1;
}

void X11Display::ReadAhead() {
    serverColourAhead_ = ReadServerDesktopColour(dpy_, PrimaryScreen());
    workAreaAhead_ = PublishedWorkArea(dpy_);
}

ColorRef X11Display::GetSysColor(std::int32_t index) {
    if (index != kColorBackground) return SchemeColour(index);

    std::optional<ColorRef> colour;
    if (serverColourAhead_) {
        colour = *serverColourAhead_;
        serverColourAhead_.reset();
        if (!colour) colour = ReadSettingsDesktopColour(dpy_);
    } else {
        colour = ReadDesktopColour(dpy_, PrimaryScreen());
    }
    // The last resort when the desktop says its colour nowhere readable.
    return colour.value_or(kDesktopFallback);
}

}  // namespace scriblane::linuxp
