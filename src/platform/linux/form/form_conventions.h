// The core's Win32 conventions as the Linux window shows them: colour
// references, line breaks, message box layouts. Plain C++, cheap to test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace scriblane::linuxp {

struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// 0x00BBGGRR: red in the low byte. Bits above the low 24 are ignored.
Rgb ColorRefToRgb(ColorRef color);
ColorRef RgbToColorRef(Rgb rgb);

// Text boxes hold "\n" line breaks; the core speaks "\r\n".
std::string ToCrLf(std::string_view text);
// "\r\n", lone "\r" and lone "\n" all become "\n".
std::string ToLf(std::string_view text);

// How a MsgBox style maps onto a box: its buttons (as Win32 ids, in order),
// the icon, the button Escape or closing gives, and the default button.
enum class MsgIcon { NoIcon, Critical, Question, Warning, Information };

inline constexpr std::int32_t kIdOk = 1;
inline constexpr std::int32_t kIdCancel = 2;
inline constexpr std::int32_t kIdAbort = 3;
inline constexpr std::int32_t kIdRetry = 4;
inline constexpr std::int32_t kIdIgnore = 5;
inline constexpr std::int32_t kIdYes = 6;
inline constexpr std::int32_t kIdNo = 7;

struct MsgBoxLayout {
    std::vector<std::int32_t> buttons;
    MsgIcon icon = MsgIcon::NoIcon;
    std::int32_t escapeAnswer = kIdOk;
    std::int32_t defaultAnswer = kIdOk;
};

MsgBoxLayout MsgBoxLayoutFor(std::int32_t style);

}  // namespace scriblane::linuxp
