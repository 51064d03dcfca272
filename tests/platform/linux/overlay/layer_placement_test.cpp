// Where a picture from XWayland's root lands on a layer surface.
#include "platform/linux/overlay/layer_placement.h"

#include <gtest/gtest.h>

namespace scriblane::linuxp {
namespace {

struct Case {
    const char* what;
    std::int32_t x, y, width, height;
    Rect xwayland;
    std::optional<Rect> logical;
    std::optional<LayerPlacement> expected;
};

TEST(LayerPlacementTest, PlacesThePictureOnItsOutput) {
    const Rect one{0, 0, 1024, 768};
    const Rect right{1024, 0, 2048, 768};
    const Case cases[] = {
        {"one output", 473, 184, 78, 30, one, one, LayerPlacement{1, 473, 184, 0, 0, 78, 30}},
        {"an output right of another: margins from its own corner", 1497, 184, 78, 30, right,
         right, LayerPlacement{1, 473, 184, 0, 0, 78, 30}},
        {"no output matched: XWayland's place is the output's", 1497, 184, 78, 30, right,
         std::nullopt, LayerPlacement{1, 473, 184, 0, 0, 78, 30}},
        // XWayland in the output's own pixels, twice its logical ones: the
        // buffer at scale 2, starting on a whole logical pixel.
        {"scale 2", 947, 369, 156, 60, Rect{0, 0, 2048, 1536}, one,
         LayerPlacement{2, 473, 184, 1, 1, 79, 31}},
        {"scale 2 on the right", 2048 + 946, 368, 156, 60, Rect{2048, 0, 4096, 1536},
         Rect{1024, 0, 2048, 768}, LayerPlacement{2, 473, 184, 0, 0, 78, 30}},
        {"sizes that are no whole multiple: scale 1", 473, 184, 78, 30, Rect{0, 0, 1536, 1152},
         one, LayerPlacement{1, 473, 184, 0, 0, 78, 30}},
        // Off the output the compositor would take it and show nothing.
        {"left of the output", 473 - 1024, 184, 78, 30, right, right, std::nullopt},
        {"right of the output", 1024, 184, 78, 30, one, one, std::nullopt},
        {"below the output", 473, 768, 78, 30, one, one, std::nullopt},
        {"above the output", 473, -30, 78, 30, one, one, std::nullopt},
        {"partly on it", -20, 184, 78, 30, one, one, LayerPlacement{1, -20, 184, 0, 0, 78, 30}},
        {"nothing to show", 473, 184, 0, 30, one, one, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceOnLayer(c.x, c.y, c.width, c.height, c.xwayland, c.logical, true),
                  c.expected)
            << c.what;
    }
}

TEST(LayerPlacementTest, ACompositorWithoutBufferScalesGetsXWaylandPixels) {
    EXPECT_EQ(PlaceOnLayer(947, 369, 156, 60, Rect{0, 0, 2048, 1536}, Rect{0, 0, 1024, 768}, false),
              (LayerPlacement{1, 947, 369, 0, 0, 156, 60}));
}

}  // namespace
}  // namespace scriblane::linuxp
