#include "platform/linux/qt_convert.h"

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

double TwipsPerPixelAt(double dpi) {
    if (!(dpi >= 1.0 && dpi <= 10000.0)) dpi = 96.0;
    return 1440.0 / dpi;
}

std::optional<double> ParseXftDpi(std::string_view resources) {
    // One "name:\tvalue" entry a line; the last entry of a name wins, as in Xrm.
    std::optional<double> found;
    std::size_t pos = 0;
    while (pos < resources.size()) {
        std::size_t end = resources.find('\n', pos);
        if (end == std::string_view::npos) end = resources.size();
        std::string_view line = resources.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
        if (name != "Xft.dpi") continue;
        const std::string value(line.substr(colon + 1));
        char* stop = nullptr;
        const double dpi = std::strtod(value.c_str(), &stop);
        while (stop != nullptr && (*stop == ' ' || *stop == '\t')) ++stop;
        if (stop != value.c_str() && stop != nullptr && *stop == '\0' && std::isfinite(dpi) &&
            dpi > 0) {
            found = dpi;
        } else {
            found.reset();
        }
    }
    return found;
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
