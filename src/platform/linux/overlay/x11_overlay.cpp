// Drawings shown where the root window is never seen (XWayland under a
// compositor with no overlay layer of its own): shaped, see-through
// override-redirect windows above every other.
#include "platform/linux/overlay/x11_overlay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xft/Xft.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <optional>
#include <string_view>

#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/overlay/x11_frame_shown.h"
#include "platform/linux/x11/argb_visual.h"
#include "platform/linux/x11/x11_text_draw.h"

namespace scriblane::linuxp {

namespace {

// Draws `lines` at the root's own coordinates into `drawable` (the root's
// size), so the pixels are the ones the root would get, on a clear
// background (see-through where there is alpha). The bands drawn; none when
// nothing was.
std::vector<Rect> DrawBands(::Display* dpy, Drawable drawable, Visual* visual, Colormap colormap,
                            X11Font& font, ColorRef text, ColorRef back,
                            const std::vector<TextLine>& lines, const Rect& rect,
                            std::uint32_t format) {
    Window ignoredRoot = 0;
    int ignoredX = 0, ignoredY = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy, drawable, &ignoredRoot, &ignoredX, &ignoredY, &width, &height, &border,
                      &depth)) {
        return {};
    }
    GC gc = XCreateGC(dpy, drawable, 0, nullptr);
    XSetForeground(dpy, gc, 0);  // transparent where there is alpha
    XFillRectangle(dpy, drawable, gc, 0, 0, width, height);
    XFreeGC(dpy, gc);
    XftDraw* draw = XftDrawCreate(dpy, drawable, visual, colormap);
    std::vector<Rect> bands;
    const bool drawn =
        draw && DrawTextLines(dpy, draw, width, height, font, text, back, lines, rect, format, &bands);
    if (draw) XftDrawDestroy(draw);
    if (!drawn) bands.clear();
    return bands;
}

Rect BoundingBox(const std::vector<Rect>& bands) {
    Rect box = bands.front();
    for (const Rect& b : bands) {
        box = Rect{std::min(box.left, b.left), std::min(box.top, b.top),
                   std::max(box.right, b.right), std::max(box.bottom, b.bottom)};
    }
    return box;
}

}  // namespace

bool IsXWayland(::Display* dpy) {
    int opcode = 0, event = 0, error = 0;
    if (XQueryExtension(dpy, "XWAYLAND", &opcode, &event, &error)) return true;
    // Servers older than that extension still name their outputs XWAYLAND<n>.
    int major = 0, minor = 0;
    if (!XRRQueryExtension(dpy, &event, &error) || !XRRQueryVersion(dpy, &major, &minor) ||
        (major == 1 && minor < 3)) {
        return false;
    }
    bool found = false;
    if (XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy))) {
        if (res->noutput > 0) {
            if (XRROutputInfo* out = XRRGetOutputInfo(dpy, res, res->outputs[0])) {
                found = std::string_view(out->name, static_cast<std::size_t>(std::max(0, out->nameLen)))
                            .starts_with("XWAYLAND");
                XRRFreeOutputInfo(out);
            }
        }
        XRRFreeScreenResources(res);
    }
    return found;
}

OverlayWindow ShowOverlay(::Display* dpy, X11Font& font, ColorRef text, ColorRef back,
                          const std::vector<TextLine>& lines, const Rect& rect,
                          std::uint32_t format, unsigned long held) {
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    Window ignoredRoot = 0;
    int ignoredX = 0, ignoredY = 0;
    unsigned width = 0, height = 0, border = 0, rootDepth = 0;
    if (!XGetGeometry(dpy, root, &ignoredRoot, &ignoredX, &ignoredY, &width, &height, &border,
                      &rootDepth)) {
        return {};
    }
    // With an alpha channel, all but the bands is see-through, also where
    // the compositor ignores X shapes (XWayland's does).
    OverlayWindow result;
    Visual* visual = DefaultVisual(dpy, screen);
    Colormap colormap = DefaultColormap(dpy, screen);
    int depth = static_cast<int>(rootDepth);
    if (held != 0) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy, held, &a)) return {};
        visual = a.visual;
        colormap = a.colormap;
        depth = a.depth;
    } else if (const auto argb = FindArgbVisual(dpy)) {
        visual = argb->visual;
        colormap = result.colormap = argb->colormap;
        depth = 32;
    }
    auto fail = [&] {
        if (result.colormap) XFreeColormap(dpy, result.colormap);
        return OverlayWindow{};
    };

    const Pixmap scratch = XCreatePixmap(dpy, root, width, height, static_cast<unsigned>(depth));
    const std::vector<Rect> bands =
        DrawBands(dpy, scratch, visual, colormap, font, text, back, lines, rect, format);
    if (bands.empty()) {
        XFreePixmap(dpy, scratch);
        return fail();
    }
    const Rect box = BoundingBox(bands);
    const auto boxW = static_cast<unsigned>(box.right - box.left);
    const auto boxH = static_cast<unsigned>(box.bottom - box.top);
    // The window's background: the server repaints exposed parts itself.
    const Pixmap picture = XCreatePixmap(dpy, root, boxW, boxH, static_cast<unsigned>(depth));
    GC gc = XCreateGC(dpy, picture, 0, nullptr);
    XCopyArea(dpy, scratch, picture, gc, box.left, box.top, boxW, boxH, 0, 0);
    XFreeGC(dpy, gc);
    XFreePixmap(dpy, scratch);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // no frame, no focus, no taskbar entry
    attributes.background_pixmap = picture;
    attributes.border_pixel = 0;
    attributes.colormap = colormap;
    constexpr unsigned long kMask = CWOverrideRedirect | CWBackPixmap | CWBorderPixel;
    Window window = held;
    if (window == 0) {
        window = XCreateWindow(dpy, root, box.left, box.top, boxW, boxH, 0, depth, InputOutput,
                               visual, kMask | CWColormap, &attributes);
    } else {
        XChangeWindowAttributes(dpy, window, kMask, &attributes);
        XMoveResizeWindow(dpy, window, box.left, box.top, boxW, boxH);
    }
    // The window keeps the picture, also once this client is gone.
    XFreePixmap(dpy, picture);
    int shapeEvent = 0, shapeError = 0;
    if (XShapeQueryExtension(dpy, &shapeEvent, &shapeError)) {
        std::vector<XRectangle> shape;
        for (const Rect& b : bands) {
            shape.push_back(XRectangle{static_cast<short>(b.left - box.left),
                                       static_cast<short>(b.top - box.top),
                                       static_cast<unsigned short>(b.right - b.left),
                                       static_cast<unsigned short>(b.bottom - b.top)});
        }
        XShapeCombineRectangles(dpy, window, ShapeBounding, 0, 0, shape.data(),
                                static_cast<int>(shape.size()), ShapeSet, Unsorted);
        // Clicks go to whatever lies beneath.
        XShapeCombineRectangles(dpy, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    }
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = False;
    XSetWMHints(dpy, window, &hints);
    XStoreName(dpy, window, "scriblane drawing");
    XMapRaised(dpy, window);
    XSync(dpy, False);
    // Mapped is not yet seen: the compositor shows it with its next frame.
    AwaitFrameShown(dpy, window, kFrameShownWait);
    result.window = window;
    return result;
}

void DestroyOverlay(::Display* dpy, const OverlayWindow& overlay) {
    if (overlay.window) XDestroyWindow(dpy, overlay.window);
    if (overlay.colormap) XFreeColormap(dpy, overlay.colormap);
}

}  // namespace scriblane::linuxp
