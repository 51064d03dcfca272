// Arithmetic of a drawing made for the compositor's overlay layer with no X
// server in between: which output it goes on, at what scale its buffer is
// painted, and where its surface lies. Plain types only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/overlay/overlay_picture.h"
#include "platform/platform.h"

namespace scriblane::linuxp::native {

// A scale in 120ths, as wp_fractional_scale_v1 gives it: 120 is 1, 180 is 1.5.
inline constexpr std::int32_t kScaleUnit = 120;

// An output as the compositor describes it.
struct OutputInfo {
    std::string name;       // xdg-output's (or wl_output's) name
    Rect logical;           // its place in the compositor's layout, logical pixels
    std::int32_t scale = 1; // wl_output.scale: whole buffer pixels a logical pixel
};

// What a drawing is painted for: the output's logical size (the screen the
// device context stands for) and the buffer's scale.
struct Target {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scale120 = kScaleUnit;
    friend bool operator==(const Target&, const Target&) = default;
};

// The output XWayland calls `primary`: by name, else by its place in the
// layout, else by its place at a whole multiple (XWayland in the output's
// own pixels). Nothing when none matches.
inline std::optional<std::size_t> MatchPrimary(const std::vector<OutputInfo>& outputs,
                                               const OutputPlace& primary) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!primary.name.empty() && outputs[i].name == primary.name) return i;
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].logical == primary.geometry) return i;
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Rect& l = outputs[i].logical;
        const Rect& g = primary.geometry;
        const std::int64_t w = std::int64_t{l.right} - l.left;
        if (w <= 0 || (std::int64_t{g.right} - g.left) % w != 0) continue;
        const std::int64_t k = (std::int64_t{g.right} - g.left) / w;
        if (std::int64_t{l.left} * k == g.left && std::int64_t{l.top} * k == g.top &&
            std::int64_t{l.right} * k == g.right && std::int64_t{l.bottom} * k == g.bottom) {
            return i;
        }
    }
    return std::nullopt;
}

// The outputs a surface spanning a whole output of `width` x `height`
// (logical) may be on: those of that size.
inline std::vector<std::size_t> OutputsOfSize(const std::vector<OutputInfo>& outputs,
                                              std::int32_t width, std::int32_t height) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Rect& l = outputs[i].logical;
        if (l.right - l.left == width && l.bottom - l.top == height) found.push_back(i);
    }
    return found;
}

// The scale a buffer is painted at: the compositor's preferred fractional
// one where it tells one (and a viewport can fit the buffer to the
// surface), else the output's whole one.
inline std::int32_t ChooseScale120(std::optional<std::int32_t> preferred120, bool viewporter,
                                   std::int32_t outputScale) {
    if (preferred120 && *preferred120 > 0 && viewporter) return *preferred120;
    return std::max(outputScale, 1) * kScaleUnit;
}

// Buffer pixels for `logical` pixels at `scale120`: rounded up, so the
// buffer covers the whole surface.
inline std::int32_t BufferPixels(std::int32_t logical, std::int32_t scale120) {
    return static_cast<std::int32_t>(
        (std::int64_t{logical} * scale120 + kScaleUnit - 1) / kScaleUnit);
}

// How the surface of a drawing whose bands lie within `box` (logical,
// from the output's corner) is placed on an output `target.width` x
// `target.height`: the part of the box on the output. Nothing when no part
// of it is: the compositor would take it and show nothing.
struct Placement {
    Rect surface;                    // logical, from the output's corner
    std::int32_t bufferWidth = 0;    // pixels of the buffer painted at the scale
    std::int32_t bufferHeight = 0;
    std::int32_t bufferScale = 1;    // wl_surface.set_buffer_scale; 0: a viewport fits it
    friend bool operator==(const Placement&, const Placement&) = default;
};

inline std::optional<Placement> PlaceOnOutput(const Rect& box, const Target& target) {
    Rect s{std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, target.width),
           std::min(box.bottom, target.height)};
    if (s.right <= s.left || s.bottom <= s.top || target.scale120 <= 0) return std::nullopt;
    Placement p;
    p.surface = s;
    p.bufferWidth = BufferPixels(s.right - s.left, target.scale120);
    p.bufferHeight = BufferPixels(s.bottom - s.top, target.scale120);
    p.bufferScale = target.scale120 % kScaleUnit == 0 ? target.scale120 / kScaleUnit : 0;
    return p;
}

}  // namespace scriblane::linuxp::native
