#include "platform/win32/win32_text.h"

#include <algorithm>
#include <cmath>

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

bool FaceList::Add(std::string_view face) {
    if (face.empty() || face.front() == '@') return false;
    if (std::find(names_.begin(), names_.end(), face) != names_.end()) return false;
    names_.emplace_back(face);
    return true;
}

int TwipsToDevice(int twips, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / 1440.0));
}

int PointsToFontHeight(double points, int dpi) {
    return -static_cast<int>(std::lround(points * dpi / 72.0));
}

std::int32_t BoundFontWidth(std::int32_t width) {
    return std::clamp(width, -kMaxFontWidth, kMaxFontWidth);
}

std::wstring DrawnCharacters(std::wstring_view text, bool prefixes) {
    std::wstring drawn;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') continue;
        if (c == L'&' && prefixes) {
            if (i + 1 < text.size() && text[i + 1] == L'&') {
                drawn.push_back(L'&');
                ++i;
            }
            continue;
        }
        drawn.push_back(c);
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
