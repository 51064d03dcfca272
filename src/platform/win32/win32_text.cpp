// Text rules of the Win32 build that need no Windows header.
#include "platform/win32/win32_text.h"

#include <algorithm>
#include <cmath>

#include "render/prefix.h"

namespace scriblane::win32 {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string ArgumentText(std::string_view line) {
    std::size_t i = 0;
    // The system may put blanks before the program name.
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i < line.size() && line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i])) ++i;
    }
    while (i < line.size() && IsBlank(line[i])) ++i;
    return std::string(line.substr(i));
}

int PointsToFontHeight(double points, int dpi) {
    return -static_cast<int>(std::lround(points * dpi / 72.0));
}

std::int32_t BoundFontWidth(std::int32_t width) {
    return std::clamp(width, -kMaxFontWidth, kMaxFontWidth);
}

std::wstring DrawnCharacters(std::wstring_view text, bool prefixes) {
    std::wstring drawn;
    std::size_t start = 0;
    // Line by line: a prefix never reaches across a line break.
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != L'\r' && text[i] != L'\n') continue;
        const std::wstring_view line = text.substr(start, i - start);
        drawn += prefixes ? ApplyPrefixes(line).drawn : std::wstring(line);
        start = i + 1;
    }
    return drawn;
}

bool GlyphFitsOneRequest(std::uint32_t width, std::uint32_t height, GlyphDepth depth) {
    constexpr std::uint64_t kMaxSide = 65535;
    constexpr std::uint64_t kMaxRequestBytes = 4194303ull * 4;
    constexpr std::uint64_t kRequestHeader = 28;  // request, glyph id and glyph record
    std::uint64_t w = width;
    std::uint64_t h = height;
    std::uint64_t pitch = 0;
    switch (depth) {
        case GlyphDepth::Mono: pitch = (w + 31) / 32 * 4; break;
        case GlyphDepth::Gray: pitch = (w + 3) / 4 * 4; break;
        case GlyphDepth::Subpixel:
            w += 2;
            h += 2;
            pitch = w * 4;
            break;
    }
    return w <= kMaxSide && h <= kMaxSide && kRequestHeader + pitch * h <= kMaxRequestBytes;
}

}  // namespace scriblane::win32
