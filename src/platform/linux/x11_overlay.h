// Drawings shown where the root window is never seen (XWayland): shaped
// override-redirect windows above every other, and the request that hands
// one drawing to the scriblane-overlay helper.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/text_layout.h"
#include "platform/linux/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;

namespace scriblane::linuxp {

// How long a drawing stays on XWayland: nothing beneath can tell us that it
// repainted, so the text goes after a fixed time.
inline constexpr std::chrono::seconds kOverlayLifetime{5};

// True when the server is XWayland, whose root window no compositor shows.
bool IsXWayland(_XDisplay* dpy);

// One DrawTextA call, everything the helper needs to repeat it.
struct OverlayRequest {
    FontRequest font;
    ColorRef text = 0;
    ColorRef back = 0;
    std::string bytes;
    Rect rect{};
    std::uint32_t format = 0;
    friend bool operator==(const OverlayRequest&, const OverlayRequest&) = default;
};
std::string EncodeOverlayRequest(const OverlayRequest& request);
std::optional<OverlayRequest> DecodeOverlayRequest(std::string_view data);

// Draws `lines` as DrawTextLines would on the root, into a new window
// shaped to the drawn bands, mapped above every other window; clicks pass
// through it. Returns the window, or 0 when nothing was drawn.
unsigned long ShowOverlay(_XDisplay* dpy, X11Font& font, ColorRef text, ColorRef back,
                          const std::vector<TextLine>& lines, const Rect& rect,
                          std::uint32_t format);

}  // namespace scriblane::linuxp
