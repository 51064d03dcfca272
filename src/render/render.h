// Drawing one string straight onto the display.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace scriblane {

inline constexpr std::int32_t kBoxSize = 400;
inline constexpr Rect kFallbackBox{200, 200, 800, 600};
inline constexpr std::uint32_t kDrawFormat = kDtCenter | kDtVCenter | kDtNoClip;  // 261

// The screen's size in pixels when it is larger than 640 x 480; false (and
// nothing written) otherwise or when the screen cannot be asked.
bool GetScreenSize(Display& display, std::int32_t& screenW, std::int32_t& screenH);

// The box the text is centred in: 400 x 400 at the middle of the screen, or
// the fixed fallback box. False when the box arithmetic overflows.
bool ComputeBox(Display& display, Rect& box);

// Black for anything that is not a plain colour.
ColorRef EffectiveTextColor(std::int32_t textCol);

// Draws " " + text centred at the top of the box, with the program's
// DeskBackColor behind it. Fails silently: nothing is reported back.
void DrawOnDesk(Display& display, const std::string& deskText, std::int32_t letterH,
                std::int32_t letterW, std::int32_t textCol, const std::string& faceName,
                ColorRef deskBackColor);

}  // namespace scriblane
