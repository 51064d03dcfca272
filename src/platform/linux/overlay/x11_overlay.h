// Drawings shown where the root window is never seen (XWayland under a
// compositor with no overlay layer of its own): shaped, see-through
// override-redirect windows above every other.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/text/text_layout.h"
#include "platform/linux/overlay/overlay_picture.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;

namespace scriblane::linuxp {

// True when the server is XWayland, whose root window no compositor shows.
bool IsXWayland(_XDisplay* dpy);

// What a helper process keeps for a drawing, so the process that draws may
// end at once (command-line mode): a window to paint.
struct HeldOverlay {
    unsigned long window = 0;
};

class OverlayHolder {
public:
    virtual ~OverlayHolder() = default;
    // What is held for the next drawing (a window is override-redirect,
    // unmapped, with the alpha visual where there is one); both 0 after one
    // line on stderr. A holder may have got it ready before it is asked.
    virtual HeldOverlay Acquire() = 0;
    // The drawing is shown (or nothing was drawn): its lifetime starts, and
    // the holder keeps it that long.
    virtual void StartLifetime() = 0;
};

struct OverlayWindow {
    unsigned long window = 0;
    unsigned long colormap = 0;  // made for the window, freed with it
};

// Draws `lines` as DrawTextLines would on the root, onto a window mapped
// above every other, shaped to the drawn bands and, where the server has
// alpha, clear around them; clicks pass through it. The window is `held`
// when given (one of another client, see OverlayHolder), else a new one.
// Nothing (window 0) when nothing was drawn.
OverlayWindow ShowOverlay(_XDisplay* dpy, X11Font& font, ColorRef text, ColorRef back,
                          const std::vector<TextLine>& lines, const Rect& rect,
                          std::uint32_t format, unsigned long held = 0);
void DestroyOverlay(_XDisplay* dpy, const OverlayWindow& overlay);

}  // namespace scriblane::linuxp
