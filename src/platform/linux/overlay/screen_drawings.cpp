// Where each drawing of the screen's context goes and how long it stays.
#include "platform/linux/overlay/screen_drawings.h"

#include <X11/Xlib.h>
#include <X11/Xft/Xft.h>

#include <algorithm>

#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/x11/x11_text_draw.h"

namespace scriblane::linuxp {

ScreenDrawings::~ScreenDrawings() {
    if (root_) XftDrawDestroy(root_);
    for (const Overlay& o : overlays_) Remove(o);
}

void ScreenDrawings::Remove(const Overlay& overlay) {
    DestroyOverlay(dpy_, overlay.window);
}

std::size_t ScreenDrawings::Expire(std::chrono::steady_clock::time_point now) {
    const auto gone = std::remove_if(overlays_.begin(), overlays_.end(), [&](const Overlay& o) {
        if (o.deadline > now) return false;
        Remove(o);
        return true;
    });
    if (gone != overlays_.end()) {
        overlays_.erase(gone, overlays_.end());
        XFlush(dpy_);
    }
    return overlays_.size();
}

std::optional<std::chrono::steady_clock::time_point> ScreenDrawings::NextDeadline() const {
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const Overlay& o : overlays_) {
        if (!next || o.deadline < *next) next = o.deadline;
    }
    return next;
}

bool ScreenDrawings::DrawOnRoot(X11Font& font, ColorRef text, ColorRef back,
                                const std::vector<TextLine>& lines, const Rect& rect,
                                std::uint32_t format) {
    const int screen = DefaultScreen(dpy_);
    // Asked of the server: Xlib's own figures go stale when the screen is
    // resized while the program runs.
    Window ignored = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy_, RootWindow(dpy_, screen), &ignored, &x, &y, &width, &height, &border,
                      &depth)) {
        width = static_cast<unsigned>(DisplayWidth(dpy_, screen));
        height = static_cast<unsigned>(DisplayHeight(dpy_, screen));
    }
    if (!root_) {
        XftDraw* d = XftDrawCreate(dpy_, RootWindow(dpy_, screen), DefaultVisual(dpy_, screen),
                                   DefaultColormap(dpy_, screen));
        if (!d) return false;
        // Paint over every window, as the desktop's context does.
        XftDrawSetSubwindowMode(d, IncludeInferiors);
        root_ = d;
    }
    return DrawTextLines(dpy_, root_, width, height, font, text, back, lines, rect, format);
}

bool ScreenDrawings::DrawForHolder(X11Font& font, ColorRef text, ColorRef back,
                                   const std::vector<TextLine>& lines, const Rect& rect,
                                   std::uint32_t format) {
    const HeldOverlay held = holder_->Acquire();
    if (held.window != 0) {
        ShowOverlay(dpy_, font, text, back, lines, rect, format, held.window);
    } else {
        return false;
    }
    holder_->StartLifetime();
    return true;
}

bool ScreenDrawings::Draw(X11Font& font, ColorRef text, ColorRef back,
                          const std::vector<TextLine>& lines, const Rect& rect,
                          std::uint32_t format) {
    if (!xwayland_) xwayland_ = IsXWayland(dpy_);
    if (!*xwayland_) return DrawOnRoot(font, text, back, lines, rect, format);

    // The root is never shown there (a compositor without an overlay layer
    // of its own): the same pixels go on a window.
    if (holder_) return DrawForHolder(font, text, back, lines, rect, format);
    Overlay overlay;
    overlay.window = ShowOverlay(dpy_, font, text, back, lines, rect, format);
    if (overlay.window.window != 0) {
        overlay.deadline = std::chrono::steady_clock::now() + kOverlayLifetime;
        overlays_.push_back(overlay);
        if (shown_) shown_();
    }
    return true;
}

}  // namespace scriblane::linuxp
