// How `scriblane` and its helper scriblane-overlay talk.
//
// On XWayland, over two pipes, the helper's stdin and stdout:
//   helper:  "window ID" - one line: it made an override-redirect window on
//            XWayland; the drawing process paints it.
// The drawing process then closes the helper's stdin: the drawing's
// lifetime starts, and the helper keeps it that long.
//
// On the compositor's layer, started as `scriblane-overlay wayland` with the
// drawing process's connection to the compositor as descriptor 3 and a pipe
// on stdin, before the drawing is shown:
//   drawing process:  "shown" - one line once the compositor shows it; the
//                     helper holds the connection (and with it the drawing)
//                     for the lifetime.
// A pipe closed without it: nothing was shown; the helper ends at once,
// having never touched the connection.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>


namespace scriblane::linuxp::overlay_protocol {

inline constexpr const char* kHelper = "scriblane-overlay";
inline constexpr const char* kKeepConnection = "wayland";
inline constexpr int kConnectionFd = 3;
inline constexpr std::string_view kShownLine = "shown\n";

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

}  // namespace scriblane::linuxp::overlay_protocol
