// A drawing painted into pixels for the compositor's own layer, with no
// round trip through the X server.
#include "platform/linux/overlay/layer_picture.h"

#include <X11/Xlib.h>

#include "platform/linux/text/text_image.h"

namespace scriblane::linuxp {

std::optional<PlacedPicture> DrawOverlayPicture(::Display* dpy, X11Font& font, ColorRef text,
                                                ColorRef back, const std::vector<TextLine>& lines,
                                                const Rect& rect, std::uint32_t format) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &attributes)) return std::nullopt;
    const Box root{0, 0, attributes.width, attributes.height};
    const TextLayout layout = MeasureText(font, lines, rect, format, root);
    const auto bands = BandsBox(layout);
    if (!bands) return std::nullopt;
    const Box shown = Clipped(Box{bands->left, bands->top, bands->right, bands->bottom}, root);
    if (shown.Empty()) return std::nullopt;
    const Rect box{static_cast<std::int32_t>(shown.left), static_cast<std::int32_t>(shown.top),
                   static_cast<std::int32_t>(shown.right), static_cast<std::int32_t>(shown.bottom)};
    return PlacedPicture{PaintImage(layout, text, back, box, 1), box};
}

}  // namespace scriblane::linuxp
