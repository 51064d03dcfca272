// The arithmetic of a drawing painted for the compositor's overlay layer:
// which output, what scale, where its surface lies.
#include "platform/linux/overlay/wayland/native_placement.h"

#include <gtest/gtest.h>

namespace scriblane::linuxp::native {
namespace {

const std::vector<OutputInfo> kTwo = {
    {"HEADLESS-2", Rect{0, 0, 1024, 768}, 1},
    {"HEADLESS-1", Rect{1024, 0, 2048, 768}, 2},
};

TEST(NativePlacementTest, XWaylandsPrimaryIsFoundByNameThenPlace) {
    struct Case {
        const char* what;
        OutputPlace primary;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"by name, wherever it is", {"HEADLESS-1", Rect{0, 0, 1, 1}}, 1},
        {"by place, no name", {"", Rect{1024, 0, 2048, 768}}, 1},
        {"by place, another name", {"XWAYLAND0", Rect{0, 0, 1024, 768}}, 0},
        {"XWayland in the output's pixels, twice the logical place",
         {"", Rect{2048, 0, 4096, 1536}}, 1},
        {"nowhere", {"", Rect{5, 5, 100, 100}}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchPrimary(kTwo, c.primary), c.expected) << c.what;
    // A compositor that names no output: no name matches another's absence.
    const std::vector<OutputInfo> unnamed = {{"", Rect{0, 0, 1024, 768}, 1},
                                             {"", Rect{1024, 0, 2048, 768}, 1}};
    EXPECT_EQ(MatchPrimary(unnamed, OutputPlace{"", Rect{1024, 0, 2048, 768}}), 1U);
}

TEST(NativePlacementTest, ASurfaceSpanningAnOutputIsOnOneOfItsSize) {
    EXPECT_EQ(OutputsOfSize(kTwo, 1024, 768), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(OutputsOfSize(kTwo, 512, 384), std::vector<std::size_t>{});
}

TEST(NativePlacementTest, TheScaleIsTheCompositorsFractionalOneWhereAViewportFitsIt) {
    struct Case {
        std::optional<std::int32_t> preferred;
        bool viewporter;
        std::int32_t outputScale, expected;
    };
    const Case cases[] = {
        {std::nullopt, true, 1, 120}, {std::nullopt, false, 2, 240}, {180, true, 2, 180},
        {180, false, 2, 240},         {0, true, 3, 360},             {std::nullopt, true, 0, 120},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseScale120(c.preferred, c.viewporter, c.outputScale), c.expected)
            << c.outputScale << " " << c.preferred.value_or(-1);
    }
}

TEST(NativePlacementTest, TheSurfaceIsTheBoxOnTheOutputAndTheBufferItsScaledSize) {
    struct Case {
        const char* what;
        Rect box;
        Target target;
        std::optional<Placement> expected;
    };
    const Case cases[] = {
        {"scale 1", Rect{473, 184, 551, 214}, Target{1024, 768, 120},
         Placement{Rect{473, 184, 551, 214}, 78, 30, 1}},
        {"scale 2: twice the pixels each way", Rect{473, 184, 551, 214}, Target{1024, 768, 240},
         Placement{Rect{473, 184, 551, 214}, 156, 60, 2}},
        {"scale 1.5: rounded up, fitted by a viewport", Rect{0, 0, 77, 31},
         Target{1024, 768, 180}, Placement{Rect{0, 0, 77, 31}, 116, 47, 0}},
        {"a box wider than the output: the part on it", Rect{-20, 184, 1100, 214},
         Target{1024, 768, 120}, Placement{Rect{0, 184, 1024, 214}, 1024, 30, 1}},
        {"below the output", Rect{0, 768, 10, 800}, Target{1024, 768, 120}, std::nullopt},
        {"left of it", Rect{-10, 0, 0, 10}, Target{1024, 768, 120}, std::nullopt},
        {"empty", Rect{5, 5, 5, 10}, Target{1024, 768, 120}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(PlaceOnOutput(c.box, c.target), c.expected) << c.what;
}

}  // namespace
}  // namespace scriblane::linuxp::native
