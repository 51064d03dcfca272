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

}  // namespace scriblane::win32
