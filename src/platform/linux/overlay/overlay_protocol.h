// How `scriblane` and its helper scriblane-overlay talk over two pipes: the
// helper's stdin and stdout. Every message is one line.
//   helper:  "window ID" - it made an override-redirect window; the drawing
//            process paints it.
//        or  "surface WIDTH HEIGHT SCALE" - the compositor has a layer of its
//            own and the helper talks to it directly (no X server in
//            between): it holds a surface on the output of that logical
//            size, whose buffers are painted at SCALE/120. Then
//   client:  "picture LEFT TOP RIGHT BOTTOM WIDTH HEIGHT" - the surface's
//            place on the output (logical) and the buffer's size, followed
//            at once by WIDTH*HEIGHT premultiplied ARGB pixels (4 bytes
//            each, this machine's byte order, row after row);
//   helper:  "shown" once the compositor shows it, else "failed".
// The pixels go down the same pipe: no file or descriptor to hand over or
// clean up, and the helper takes no more than a buffer of the size it
// places on its own output.
// The drawing process then closes the helper's stdin: the drawing's
// lifetime starts, and the helper keeps it that long.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/overlay/wayland/native_placement.h"
#include "platform/platform.h"

namespace scriblane::linuxp::overlay_protocol {

inline constexpr const char* kHelper = "scriblane-overlay";

inline constexpr std::string_view kShown = "shown\n";
inline constexpr std::string_view kFailed = "failed\n";

inline std::string WindowLine(unsigned long window) {
    return "window " + std::to_string(window) + "\n";
}

namespace detail {

// Reads one number of `text` up to `end` (a space or the line's end);
// false for anything else.
template <typename T>
bool Number(std::string_view& text, char end, T& value) {
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || stop == text.data() || stop == text.data() + text.size() ||
        *stop != end) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()) + 1);
    return true;
}

}  // namespace detail

// The window a helper's first line names; nothing for anything but a whole
// line naming a window by a non-zero id.
inline std::optional<unsigned long> ParseWindowLine(std::string_view line) {
    if (!line.starts_with("window ")) return std::nullopt;
    line.remove_prefix(7);
    unsigned long id = 0;
    if (!detail::Number(line, '\n', id) || !line.empty() || id == 0) return std::nullopt;
    return id;
}

inline std::string SurfaceLine(const native::Target& target) {
    return "surface " + std::to_string(target.width) + " " + std::to_string(target.height) + " " +
           std::to_string(target.scale120) + "\n";
}

// The output a "surface" line gives; nothing unless it is a whole line with
// a size and a scale that are not empty.
inline std::optional<native::Target> ParseSurfaceLine(std::string_view line) {
    if (!line.starts_with("surface ")) return std::nullopt;
    line.remove_prefix(8);
    native::Target target;
    if (!detail::Number(line, ' ', target.width) || !detail::Number(line, ' ', target.height) ||
        !detail::Number(line, '\n', target.scale120) || !line.empty() || target.width <= 0 ||
        target.height <= 0 || target.scale120 <= 0) {
        return std::nullopt;
    }
    return target;
}

inline std::string PictureLine(const native::Placement& placement) {
    const Rect& s = placement.surface;
    return "picture " + std::to_string(s.left) + " " + std::to_string(s.top) + " " +
           std::to_string(s.right) + " " + std::to_string(s.bottom) + " " +
           std::to_string(placement.bufferWidth) + " " + std::to_string(placement.bufferHeight) +
           "\n";
}

// The placement a "picture" line gives, only when it is the one the helper
// makes itself for that place on its output `target`: the pixels that follow
// are then bounded by the output's own size.
inline std::optional<native::Placement> ParsePictureLine(std::string_view line,
                                                         const native::Target& target) {
    if (!line.starts_with("picture ")) return std::nullopt;
    line.remove_prefix(8);
    Rect s{};
    std::int32_t width = 0, height = 0;
    if (!detail::Number(line, ' ', s.left) || !detail::Number(line, ' ', s.top) ||
        !detail::Number(line, ' ', s.right) || !detail::Number(line, ' ', s.bottom) ||
        !detail::Number(line, ' ', width) || !detail::Number(line, '\n', height) ||
        !line.empty()) {
        return std::nullopt;
    }
    const auto placement = native::PlaceOnOutput(s, target);
    if (!placement || placement->surface != s || placement->bufferWidth != width ||
        placement->bufferHeight != height) {
        return std::nullopt;
    }
    return placement;
}

}  // namespace scriblane::linuxp::overlay_protocol
