// Where each drawing of the screen's context goes and how long it stays:
// the root window on plain X; where the root is never seen (XWayland under
// a compositor with no overlay layer of its own) an XWayland window, or
// what a helper keeps.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/overlay/overlay_picture.h"
#include "platform/linux/overlay/x11_overlay.h"
#include "platform/linux/text/text_layout.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;
struct _XftDraw;

namespace scriblane::linuxp {

class ScreenDrawings {
public:
    explicit ScreenDrawings(_XDisplay* dpy) : dpy_(dpy) {}
    ~ScreenDrawings();
    ScreenDrawings(const ScreenDrawings&) = delete;
    ScreenDrawings& operator=(const ScreenDrawings&) = delete;

    // Where the root is never seen a drawing goes on an overlay window. With
    // a holder set, what the holder keeps is used and kept by it; otherwise
    // this object keeps the drawing until Expire, calling `shown` once each
    // is on screen.
    void SetHolder(OverlayHolder* holder) { holder_ = holder; }
    void SetShown(std::function<void()> shown) { shown_ = std::move(shown); }

    // The screens may have changed: the next drawing looks again where it goes.
    void ScreensMayHaveChanged() { xwayland_.reset(); }

    // Draws `lines` as DrawTextA places them in `rect` (root coordinates).
    // False when nothing could be drawn,
    // or a drawing could not be shown where it must be.
    bool Draw(X11Font& font, ColorRef text, ColorRef back, const std::vector<TextLine>& lines,
              const Rect& rect, std::uint32_t format);

    // Removes the drawings whose time is up; returns how many are left.
    std::size_t Expire(std::chrono::steady_clock::time_point now);
    std::optional<std::chrono::steady_clock::time_point> NextDeadline() const;

private:
    struct Overlay {
        OverlayWindow window;
        std::chrono::steady_clock::time_point deadline;
    };
    bool DrawOnRoot(X11Font& font, ColorRef text, ColorRef back,
                    const std::vector<TextLine>& lines, const Rect& rect, std::uint32_t format);
    bool DrawForHolder(X11Font& font, ColorRef text, ColorRef back,
                       const std::vector<TextLine>& lines, const Rect& rect,
                       std::uint32_t format);
    void Remove(const Overlay& overlay);

    _XDisplay* dpy_;
    std::optional<bool> xwayland_;
    OverlayHolder* holder_ = nullptr;
    std::function<void()> shown_;
    std::vector<Overlay> overlays_;
    // On the root window, over every window as the desktop's DC paints;
    // made on first use.
    _XftDraw* root_ = nullptr;
};

}  // namespace scriblane::linuxp
