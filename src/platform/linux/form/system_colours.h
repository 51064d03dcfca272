// GetSysColor's answers wherever the desktop has no say: Windows' default
// scheme, so the window looks as it was designed.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace scriblane::linuxp {

// Desktop colour when no source of the real one answers.
inline constexpr ColorRef kDesktopFallback = 0x00A56E3A;

// The scheme's colour of `index` (COLOR_*), 0 for an index it has not.
inline ColorRef SchemeColour(std::int32_t index) {
    constexpr auto Rgb = [](int r, int g, int b) -> ColorRef { return r | (g << 8) | (b << 16); };
    static constexpr ColorRef kScheme[31] = {
        Rgb(200, 200, 200), kDesktopFallback,   Rgb(153, 180, 209), Rgb(191, 205, 219),
        Rgb(240, 240, 240), Rgb(255, 255, 255), Rgb(100, 100, 100), 0,
        0,                  0,                  Rgb(180, 180, 180), Rgb(244, 247, 252),
        Rgb(171, 171, 171), Rgb(0, 120, 215),   Rgb(255, 255, 255), Rgb(240, 240, 240),
        Rgb(160, 160, 160), Rgb(109, 109, 109), 0,                  0,
        Rgb(255, 255, 255), Rgb(105, 105, 105), Rgb(227, 227, 227), 0,
        Rgb(255, 255, 225), 0,                  Rgb(0, 102, 204),   Rgb(185, 209, 234),
        Rgb(215, 228, 242), Rgb(51, 153, 255),  Rgb(240, 240, 240),
    };
    return index >= 0 && index <= 30 ? kScheme[index] : 0;
}

}  // namespace scriblane::linuxp
