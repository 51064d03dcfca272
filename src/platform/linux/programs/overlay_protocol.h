// How `scriblane` and its helper scriblane-overlay talk over two pipes. The
// helper is started with a pipe on its stdin and one on its stdout, makes a
// window, and says its id on one line of stdout. The drawing process paints
// the window and then closes the helper's stdin: the drawing's lifetime
// starts then, and the helper keeps the window that long.
#pragma once

#include <charconv>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace scriblane::linuxp::overlay_protocol {

inline constexpr const char* kHelper = "scriblane-overlay";

// How long the drawing process waits for the helper's line.
inline constexpr std::chrono::seconds kAnswerWait{3};
// How long the helper waits for its stdin to close; then the lifetime
// starts anyway (the drawing process has gone or hangs).
inline constexpr std::chrono::seconds kHandBackWait{10};

// The helper's line for the window it made.
inline std::string WindowLine(unsigned long window) { return std::to_string(window) + "\n"; }

// The window a helper's line names; nothing for anything but a whole line
// with a non-zero id.
inline std::optional<unsigned long> ParseWindowLine(std::string_view line) {
    if (line.empty() || line.back() != '\n') return std::nullopt;
    line.remove_suffix(1);
    unsigned long window = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), window);
    if (error != std::errc() || end != line.data() + line.size() || window == 0) return std::nullopt;
    return window;
}

}  // namespace scriblane::linuxp::overlay_protocol
