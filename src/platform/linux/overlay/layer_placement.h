// Where a picture drawn in XWayland's root goes on a layer surface: the
// buffer's scale, the surface's margins and size on the output.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace scriblane::linuxp {

struct LayerPlacement {
    std::int32_t scale = 1;                      // buffer pixels a logical pixel, each way
    std::int32_t marginLeft = 0, marginTop = 0;  // logical, from the output's corner
    std::int32_t padLeft = 0, padTop = 0;        // buffer pixels before the picture
    std::int32_t width = 0, height = 0;          // the surface, logical
    friend bool operator==(const LayerPlacement&, const LayerPlacement&) = default;
};

namespace layer_placement_detail {
inline std::int32_t FloorDiv(std::int32_t a, std::int32_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
}  // namespace layer_placement_detail

// The picture `width` x `height` with its corner at (x, y) in XWayland's
// root, on the output XWayland places at `xwayland` and the compositor at
// `logical` (nothing when no output of the compositor's matched it).
// Where XWayland's pixels are the output's own (its geometry a whole
// multiple of the logical one) and `scalable` (the compositor takes a
// buffer scale), the buffer goes at that scale; otherwise one XWayland
// pixel is one logical pixel. The surface starts on a whole logical pixel
// and spans whole ones. Nothing when it would lie off the output: the
// compositor would take it and show nothing.
inline std::optional<LayerPlacement> PlaceOnLayer(std::int32_t x, std::int32_t y,
                                                  std::int32_t width, std::int32_t height,
                                                  const Rect& xwayland,
                                                  const std::optional<Rect>& logical,
                                                  bool scalable) {
    using layer_placement_detail::FloorDiv;
    if (width <= 0 || height <= 0) return std::nullopt;
    const std::int64_t xw = std::int64_t{xwayland.right} - xwayland.left;
    const std::int64_t xh = std::int64_t{xwayland.bottom} - xwayland.top;
    LayerPlacement p;
    if (logical && scalable) {
        const std::int64_t w = std::int64_t{logical->right} - logical->left;
        const std::int64_t h = std::int64_t{logical->bottom} - logical->top;
        if (w > 0 && h > 0 && xw % w == 0 && xh % h == 0 && xw / w == xh / h && xw / w > 1) {
            p.scale = static_cast<std::int32_t>(xw / w);
        }
    }
    const std::int64_t offsetX = std::int64_t{x} - xwayland.left;
    const std::int64_t offsetY = std::int64_t{y} - xwayland.top;
    if (offsetX < INT32_MIN || offsetX > INT32_MAX || offsetY < INT32_MIN || offsetY > INT32_MAX) {
        return std::nullopt;
    }
    p.marginLeft = FloorDiv(static_cast<std::int32_t>(offsetX), p.scale);
    p.marginTop = FloorDiv(static_cast<std::int32_t>(offsetY), p.scale);
    p.padLeft = static_cast<std::int32_t>(offsetX - std::int64_t{p.marginLeft} * p.scale);
    p.padTop = static_cast<std::int32_t>(offsetY - std::int64_t{p.marginTop} * p.scale);
    p.width = static_cast<std::int32_t>((std::int64_t{p.padLeft} + width + p.scale - 1) / p.scale);
    p.height = static_cast<std::int32_t>((std::int64_t{p.padTop} + height + p.scale - 1) / p.scale);
    const std::int64_t roomW = logical ? std::int64_t{logical->right} - logical->left : xw / p.scale;
    const std::int64_t roomH = logical ? std::int64_t{logical->bottom} - logical->top : xh / p.scale;
    if (p.marginLeft >= roomW || p.marginTop >= roomH ||
        std::int64_t{p.marginLeft} + p.width <= 0 || std::int64_t{p.marginTop} + p.height <= 0) {
        return std::nullopt;
    }
    return p;
}

}  // namespace scriblane::linuxp
