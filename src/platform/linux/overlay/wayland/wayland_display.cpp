// gdi32/user32 painted for the compositor's overlay layer.
#include "platform/linux/overlay/wayland/wayland_display.h"


#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/form/system_colours.h"
#include "platform/linux/text/text_font.h"
#include "platform/linux/text/text_image.h"
#include "platform/linux/text/text_layout.h"
#include "platform/linux/text/text_measure.h"

namespace scriblane::linuxp {

namespace {

// The smallest rectangle holding both.
Rect Union(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// `picture` cut or padded (see-through) to `width` x `height`, its corner kept.
ArgbPicture Fitted(ArgbPicture picture, std::int32_t width, std::int32_t height) {
    if (picture.width == width && picture.height == height) return picture;
    ArgbPicture fitted{width, height,
                       std::vector<std::uint32_t>(static_cast<std::size_t>(width) *
                                                  static_cast<std::size_t>(height))};
    const std::int32_t w = std::min(width, picture.width);
    for (std::int32_t y = 0; y < std::min(height, picture.height); ++y) {
        std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width, w,
                    fitted.pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
    return fitted;
}

}  // namespace

WaylandDisplay::WaylandDisplay(NativeShower& shower) : shower_(shower) {}

WaylandDisplay::~WaylandDisplay() = default;

void WaylandDisplay::ScreensMayHaveChanged() {
    // Outputs may have changed since the last drawing.
    target_.reset();
    shower_.OutputsMayHaveChanged();
}

bool WaylandDisplay::RealizeFor(TextFont& font) { return RealizeTextFont(font); }

const std::optional<native::Target>& WaylandDisplay::Target() {
    if (!target_) target_ = shower_.NextTarget();
    return *target_;
}

GdiDisplay::Screen WaylandDisplay::ScreenNow() {
    const auto& target = Target();
    return Screen{target ? target->width : 0, target ? target->height : 0, 32};
}

std::int32_t WaylandDisplay::DrawTextA(Handle hdc, const char* text, std::int32_t count,
                                       Rect* rect, std::uint32_t format) {
    const auto drawing = DrawingOf(hdc, text, count, rect, format);
    const auto& target = Target();
    if (!drawing || !target) return 0;
    const Context& ctx = drawing->context;

    // Laid out in logical pixels from the output's corner, the context's
    // origin; painted at the output's scale.
    const TextLayout layout = MeasureText(*drawing->font, drawing->lines, *rect, format);
    const std::int32_t drawn =
        static_cast<std::int32_t>(std::min<std::int64_t>(layout.height, INT32_MAX));
    // The bands and whatever ink stands out of them, as on the root.
    ImagePainter painter;
    auto box = BandsBox(layout);
    if (const auto ink = painter.InkBox(layout)) box = box ? Union(*box, *ink) : *ink;
    if (!box) return drawn;  // nothing to show
    const auto placement = native::PlaceOnOutput(*box, *target);
    if (!placement) {
        shower_.NotShown("the drawing lies off the output");
        return 0;
    }
    const ArgbPicture picture =
        Fitted(painter.Paint(layout, ctx.text, ctx.back, placement->surface,
                          static_cast<double>(target->scale120) / native::kScaleUnit),
               placement->bufferWidth, placement->bufferHeight);
    return shower_.Show(*placement, picture) ? drawn : 0;
}

std::int32_t WaylandDisplay::SystemParametersInfoA(std::uint32_t action, std::uint32_t,
                                                   Rect* rect, std::uint32_t) {
    if (action != kSpiGetWorkArea || !rect) return 0;
    // The layer shell tells a client no panels' zones: the whole output.
    const auto& target = Target();
    *rect = target ? Rect{0, 0, target->width, target->height} : Rect{};
    return target ? 1 : 0;
}

ColorRef WaylandDisplay::GetSysColor(std::int32_t index) {
    // No compositor tells its background's colour.
    return SchemeColour(index);
}

}  // namespace scriblane::linuxp
