// Drives the overlay layer's code directly: shows a checkerboard of two
// colours, one buffer pixel a square, over a box (logical pixels) on the
// output the compositor puts the surface on, painted at that output's
// scale; prints "WIDTH HEIGHT SCALE120" of that output once it is shown and
// keeps it for a drawing's lifetime.
// Usage: scriblane_layer_probe LEFT TOP RIGHT BOTTOM RGB RGB
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/overlay/wayland/native_layer.h"
#include "platform/linux/overlay/wayland/native_placement.h"

using namespace scriblane;
using namespace scriblane::linuxp;

int main(int argc, char** argv) {
    if (argc != 7) return 2;
    const Rect box{std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
    const std::uint32_t colours[2] = {0xFF000000u | static_cast<std::uint32_t>(std::strtoul(argv[5], nullptr, 16)),
                                      0xFF000000u | static_cast<std::uint32_t>(std::strtoul(argv[6], nullptr, 16))};
    auto layer = NativeLayer::Connect();
    if (!layer) return 3;
    const auto target = layer->Prepare({});
    if (!target) return 4;
    const auto placement = native::PlaceOnOutput(box, *target);
    if (!placement) return 5;
    ArgbPicture picture{placement->bufferWidth, placement->bufferHeight, {}};
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::int32_t x = 0; x < picture.width; ++x) picture.pixels.push_back(colours[(x + y) % 2]);
    }
    const std::uint64_t id = layer->Show(*placement, picture);
    if (id == 0) return 6;
    std::printf("%d %d %d\n", target->width, target->height, target->scale120);
    std::fflush(stdout);
    layer->Keep(id, kOverlayLifetime);
    return 0;
}
