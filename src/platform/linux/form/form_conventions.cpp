// The core's Win32 conventions as the Linux window shows them.
#include "platform/linux/form/form_conventions.h"

#include <cmath>
#include <cstdlib>

namespace scriblane::linuxp {

Rgb ColorRefToRgb(ColorRef color) {
    const auto v = static_cast<std::uint32_t>(color);
    return Rgb{static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
               static_cast<int>((v >> 16) & 0xFF)};
}

ColorRef RgbToColorRef(Rgb rgb) {
    const auto clamp = [](int c) { return static_cast<std::uint32_t>(c < 0 ? 0 : c > 255 ? 255 : c); };
    return static_cast<ColorRef>(clamp(rgb.r) | (clamp(rgb.g) << 8) | (clamp(rgb.b) << 16));
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ToLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

MsgBoxLayout MsgBoxLayoutFor(std::int32_t style) {
    MsgBoxLayout layout;
    switch (style & 0xF) {
        case 1: layout.buttons = {kIdOk, kIdCancel}; layout.escapeAnswer = kIdCancel; break;
        case 2: layout.buttons = {kIdAbort, kIdRetry, kIdIgnore}; layout.escapeAnswer = kIdAbort; break;
        case 3: layout.buttons = {kIdYes, kIdNo, kIdCancel}; layout.escapeAnswer = kIdCancel; break;
        case 4: layout.buttons = {kIdYes, kIdNo}; layout.escapeAnswer = kIdNo; break;
        case 5: layout.buttons = {kIdRetry, kIdCancel}; layout.escapeAnswer = kIdCancel; break;
        default: layout.buttons = {kIdOk}; layout.escapeAnswer = kIdOk; break;
    }
    switch (style & 0x70) {
        case 16: layout.icon = MsgIcon::Critical; break;
        case 32: layout.icon = MsgIcon::Question; break;
        case 48: layout.icon = MsgIcon::Warning; break;
        case 64: layout.icon = MsgIcon::Information; break;
        default: layout.icon = MsgIcon::NoIcon; break;
    }
    // MB_DEFBUTTON2/3 pick a later button as the default one.
    const std::size_t defIndex = static_cast<std::size_t>((style >> 8) & 0xF);
    layout.defaultAnswer =
        layout.buttons[defIndex < layout.buttons.size() ? defIndex : 0];
    return layout;
}

}  // namespace scriblane::linuxp
