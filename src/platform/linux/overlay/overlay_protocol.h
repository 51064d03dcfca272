// How `scriblane` and its helper scriblane-overlay talk over two pipes: the
// helper's stdin and stdout. Every message is one line.
//   helper:  "window ID" - it made an override-redirect window; the drawing
//            process paints it.
//        or  "pixmap ID" - the compositor has a layer of its own for
//            drawings: the drawing process draws into this pixmap (the root's
//            size, 32 bits with alpha) and then says
//   client:  "show LEFT TOP RIGHT BOTTOM" - the box around the drawn bands;
//   helper:  "shown" once the compositor shows it, else "failed".
// The drawing process then closes the helper's stdin: the drawing's
// lifetime starts, and the helper keeps it that long.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace scriblane::linuxp::overlay_protocol {

inline constexpr const char* kHelper = "scriblane-overlay";

inline constexpr std::string_view kShown = "shown\n";
inline constexpr std::string_view kFailed = "failed\n";

struct Held {
    enum Kind { kWindow, kPixmap } kind;
    unsigned long id;
    friend bool operator==(const Held&, const Held&) = default;
};

inline std::string HeldLine(const Held& held) {
    return (held.kind == Held::kWindow ? "window " : "pixmap ") + std::to_string(held.id) + "\n";
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

// What a helper's first line names; nothing for anything but a whole line
// naming a window or a pixmap by a non-zero id.
inline std::optional<Held> ParseHeldLine(std::string_view line) {
    Held held{Held::kWindow, 0};
    if (line.starts_with("window ")) {
        held.kind = Held::kWindow;
    } else if (line.starts_with("pixmap ")) {
        held.kind = Held::kPixmap;
    } else {
        return std::nullopt;
    }
    line.remove_prefix(7);
    if (!detail::Number(line, '\n', held.id) || !line.empty() || held.id == 0) return std::nullopt;
    return held;
}

inline std::string ShowLine(const Rect& box) {
    return "show " + std::to_string(box.left) + " " + std::to_string(box.top) + " " +
           std::to_string(box.right) + " " + std::to_string(box.bottom) + "\n";
}

// The box a "show" line gives; nothing unless it is a whole line with a box
// that is not empty.
inline std::optional<Rect> ParseShowLine(std::string_view line) {
    if (!line.starts_with("show ")) return std::nullopt;
    line.remove_prefix(5);
    Rect box{};
    if (!detail::Number(line, ' ', box.left) || !detail::Number(line, ' ', box.top) ||
        !detail::Number(line, ' ', box.right) || !detail::Number(line, '\n', box.bottom) ||
        !line.empty() || box.right <= box.left || box.bottom <= box.top) {
        return std::nullopt;
    }
    return box;
}

}  // namespace scriblane::linuxp::overlay_protocol
