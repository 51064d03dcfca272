// gdi32/user32 on X11: device contexts painting the root window, colours, screen and work area.
#include "platform/linux/x11/x11_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <strings.h>
#include <vector>

#include "platform/linux/form/system_colours.h"
#include "platform/linux/text/text_layout.h"
#include "platform/linux/x11/x11_desktop_colour.h"
#include "platform/linux/x11/x11_outputs.h"
#include "platform/linux/x11/x11_property.h"
#include "platform/linux/x11/x11_text_draw.h"

namespace scriblane::linuxp {

namespace {

constexpr ColorRef kClrInvalid = -1;  // CLR_INVALID

// `rect` moved by (dx, dy), each edge held within 32 bits.
Rect Moved(const Rect& rect, std::int32_t dx, std::int32_t dy) {
    auto move = [](std::int32_t v, std::int32_t by) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{v} + by, INT32_MIN, INT32_MAX));
    };
    return Rect{move(rect.left, dx), move(rect.top, dy), move(rect.right, dx),
                move(rect.bottom, dy)};
}

}  // namespace

X11Display::X11Display(_XDisplay* dpy) : dpy_(dpy) {}

X11Display::~X11Display() {
    for (auto& [handle, font] : fonts_) CloseFont(dpy_, *font);
}

Handle X11Display::CreateDCA(const char* driver, const char*, const char*, const void*) {
    if (!driver || strcasecmp(driver, "DISPLAY") != 0) return 0;
    if (stockFont_ == 0) {
        auto font = std::make_unique<X11Font>();
        font->stock = true;
        font->request.height = kDefaultCellHeight;
        font->request.weight = 700;  // the system font is bold
        font->request.faceName = "sans-serif";
        stockFont_ = NewHandle();
        fonts_[stockFont_] = std::move(font);
    }
    // Screens may have changed since the last drawing; a new context looks again.
    primary_.reset();
    drawings_.ScreensMayHaveChanged();
    const Handle h = NewHandle();
    Context& c = contexts_[h];
    c.font = stockFont_;
    return h;
}

Handle X11Display::GetWindowDC(Handle hwnd) {
    if (hwnd != 0) return 0;  // only the screen's context is offered here
    const Handle h = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    contexts_[h].windowDc = true;
    return h;
}

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

std::int32_t X11Display::GetDeviceCaps(Handle hdc, std::int32_t index) {
    if (!contexts_.count(hdc)) return 0;
    const Rect p = PrimaryScreen();
    switch (index) {
        case kHorzRes:
        case 118:  // DESKTOPHORZRES
            return p.right - p.left;
        case kVertRes:
        case 117:  // DESKTOPVERTRES
            return p.bottom - p.top;
        case 12:  // BITSPIXEL
            return DefaultDepth(dpy_, DefaultScreen(dpy_));
        case 14:  // PLANES
            return 1;
        case 88:  // LOGPIXELSX
        case 90:  // LOGPIXELSY
            return 96;
        default:
            return 0;
    }
}

std::int32_t X11Display::ReleaseDC(Handle, Handle hdc) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end() || !it->second.windowDc) return 0;
    contexts_.erase(it);
    return 1;
}

ColorRef X11Display::GetTextColor(Handle hdc) {
    auto it = contexts_.find(hdc);
    return it == contexts_.end() ? kClrInvalid : it->second.text;
}

ColorRef X11Display::SetTextColor(Handle hdc, ColorRef color) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end()) return kClrInvalid;
    return std::exchange(it->second.text, color);
}

ColorRef X11Display::GetBkColor(Handle hdc) {
    auto it = contexts_.find(hdc);
    return it == contexts_.end() ? kClrInvalid : it->second.back;
}

ColorRef X11Display::SetBkColor(Handle hdc, ColorRef color) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end()) return kClrInvalid;
    return std::exchange(it->second.back, color);
}

// Face, height, width, weight, italic, underline and strike-out are honoured;
// escapement, orientation, character set and the precision/quality hints
// have no counterpart in Xft and are ignored.
Handle X11Display::CreateFontA(const FontRequest& request) {
    auto font = std::make_unique<X11Font>();
    font->request = request;
    const Handle h = NewHandle();
    fonts_[h] = std::move(font);
    if (!Realize(h)) {
        fonts_.erase(h);
        return 0;
    }
    return h;
}

X11Font* X11Display::Realize(Handle handle) {
    auto it = fonts_.find(handle);
    if (it == fonts_.end()) return nullptr;
    return RealizeFont(dpy_, *it->second) ? it->second.get() : nullptr;
}

Handle X11Display::SelectObject(Handle hdc, Handle object) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end() || !fonts_.count(object)) return 0;
    return std::exchange(it->second.font, object);
}

std::int32_t X11Display::DeleteObject(Handle object) {
    auto it = fonts_.find(object);
    if (it == fonts_.end()) return 0;
    if (it->second->stock) return 1;  // stock objects outlive every delete
    for (const auto& [h, c] : contexts_) {
        if (c.font == object) return 0;  // still selected somewhere
    }
    CloseFont(dpy_, *it->second);
    fonts_.erase(it);
    return 1;
}

std::int32_t X11Display::DeleteDC(Handle hdc) { return contexts_.erase(hdc) ? 1 : 0; }

std::int32_t X11Display::DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                                   std::uint32_t format) {
    auto ctxIt = contexts_.find(hdc);
    if (ctxIt == contexts_.end() || !rect || (!text && count != 0)) return 0;
    const Context ctx = ctxIt->second;
    X11Font* font = Realize(ctx.font);
    if (!font) return 0;
    const std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);

    const std::vector<TextLine> lines =
        LayoutLines(DecodeText(text, length), format & kDtSingleLine, format & kDtNoPrefix);
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
    const Atom workArea = XInternAtom(dpy_, "_NET_WORKAREA", True);
    if (const auto v = ReadProperty32(dpy_, DefaultRootWindow(dpy_), workArea, XA_CARDINAL, 4);
        v && v->size() >= 4) {
        const std::int64_t left = (*v)[0], top = (*v)[1], width = (*v)[2], height = (*v)[3];
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

ColorRef X11Display::GetSysColor(std::int32_t index) {
    if (index != kColorBackground) return SchemeColour(index);

    // The last resort when the desktop says its colour nowhere readable.
    return ReadDesktopColour(dpy_, PrimaryScreen()).value_or(kDesktopFallback);
}

}  // namespace scriblane::linuxp
