// Drawings shown where the root window is never seen (XWayland): shaped
// override-redirect windows above every other, and the request that hands
// one drawing to the scriblane-overlay helper.
#include "platform/linux/x11_overlay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xft/Xft.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/x11_text_draw.h"

namespace scriblane::linuxp {

namespace {

constexpr std::string_view kMagic = "scriblane-overlay-1\n";

class Writer {
public:
    void Int(std::int64_t v) {
        for (int i = 0; i < 8; ++i) out_ += static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF);
    }
    void Bytes(std::string_view s) {
        Int(static_cast<std::int64_t>(s.size()));
        out_ += s;
    }
    std::string out_;
};

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    template <typename T>
    bool Int(T& v) {
        if (in_.size() < 8) return false;
        std::uint64_t u = 0;
        for (int i = 0; i < 8; ++i) u |= std::uint64_t{static_cast<unsigned char>(in_[i])} << (8 * i);
        in_.remove_prefix(8);
        const auto s = static_cast<std::int64_t>(u);
        v = static_cast<T>(s);
        return static_cast<std::int64_t>(v) == s;  // no value is cut short
    }
    bool Bytes(std::string& s) {
        std::uint64_t n = 0;
        if (!Int(n) || n > in_.size()) return false;
        s.assign(in_.substr(0, n));
        in_.remove_prefix(n);
        return true;
    }
    bool Done() const { return in_.empty(); }

private:
    std::string_view in_;
};

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

std::string EncodeOverlayRequest(const OverlayRequest& r) {
    Writer w;
    w.out_ = kMagic;
    const FontRequest& f = r.font;
    for (std::int64_t v : {std::int64_t{f.height}, std::int64_t{f.width}, std::int64_t{f.escapement},
                           std::int64_t{f.orientation}, std::int64_t{f.weight}, std::int64_t{f.italic},
                           std::int64_t{f.underline}, std::int64_t{f.strikeOut}, std::int64_t{f.charSet},
                           std::int64_t{f.outPrecision}, std::int64_t{f.clipPrecision},
                           std::int64_t{f.quality}, std::int64_t{f.pitchAndFamily}}) {
        w.Int(v);
    }
    w.Bytes(f.faceName);
    for (std::int64_t v : {std::int64_t{r.text}, std::int64_t{r.back}, std::int64_t{r.rect.left},
                           std::int64_t{r.rect.top}, std::int64_t{r.rect.right},
                           std::int64_t{r.rect.bottom}, std::int64_t{r.format}}) {
        w.Int(v);
    }
    w.Bytes(r.bytes);
    return std::move(w.out_);
}

std::optional<OverlayRequest> DecodeOverlayRequest(std::string_view data) {
    if (!data.starts_with(kMagic)) return std::nullopt;
    Reader in(data.substr(kMagic.size()));
    OverlayRequest r;
    FontRequest& f = r.font;
    const bool ok = in.Int(f.height) && in.Int(f.width) && in.Int(f.escapement) &&
                    in.Int(f.orientation) && in.Int(f.weight) && in.Int(f.italic) &&
                    in.Int(f.underline) && in.Int(f.strikeOut) && in.Int(f.charSet) &&
                    in.Int(f.outPrecision) && in.Int(f.clipPrecision) && in.Int(f.quality) &&
                    in.Int(f.pitchAndFamily) && in.Bytes(f.faceName) && in.Int(r.text) &&
                    in.Int(r.back) && in.Int(r.rect.left) && in.Int(r.rect.top) &&
                    in.Int(r.rect.right) && in.Int(r.rect.bottom) && in.Int(r.format) &&
                    in.Bytes(r.bytes) && in.Done();
    if (!ok) return std::nullopt;
    return r;
}

unsigned long ShowOverlay(::Display* dpy, X11Font& font, ColorRef text, ColorRef back,
                          const std::vector<TextLine>& lines, const Rect& rect,
                          std::uint32_t format) {
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    Window ignoredRoot = 0;
    int ignoredX = 0, ignoredY = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy, root, &ignoredRoot, &ignoredX, &ignoredY, &width, &height, &border,
                      &depth)) {
        return 0;
    }
    // Drawn at the root's own coordinates, so the pixels are the ones the
    // root would get; then only the box around the bands is kept.
    const Pixmap scratch = XCreatePixmap(dpy, root, width, height, depth);
    XftDraw* draw = XftDrawCreate(dpy, scratch, DefaultVisual(dpy, screen), DefaultColormap(dpy, screen));
    std::vector<Rect> bands;
    const bool drawn =
        draw && DrawTextLines(dpy, draw, width, height, font, text, back, lines, rect, format, &bands);
    if (draw) XftDrawDestroy(draw);
    if (!drawn || bands.empty()) {
        XFreePixmap(dpy, scratch);
        return 0;
    }
    Rect box = bands.front();
    for (const Rect& b : bands) {
        box = Rect{std::min(box.left, b.left), std::min(box.top, b.top),
                   std::max(box.right, b.right), std::max(box.bottom, b.bottom)};
    }
    const auto boxW = static_cast<unsigned>(box.right - box.left);
    const auto boxH = static_cast<unsigned>(box.bottom - box.top);
    // The window's background: the server repaints exposed parts itself.
    const Pixmap picture = XCreatePixmap(dpy, root, boxW, boxH, depth);
    GC gc = XCreateGC(dpy, picture, 0, nullptr);
    XCopyArea(dpy, scratch, picture, gc, box.left, box.top, boxW, boxH, 0, 0);
    XFreeGC(dpy, gc);
    XFreePixmap(dpy, scratch);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // no frame, no focus, no taskbar entry
    attributes.background_pixmap = picture;
    attributes.border_pixel = 0;
    const Window window =
        XCreateWindow(dpy, root, box.left, box.top, boxW, boxH, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixmap | CWBorderPixel, &attributes);
    XFreePixmap(dpy, picture);  // the window holds it

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
    return window;
}

}  // namespace scriblane::linuxp
