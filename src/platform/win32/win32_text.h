// Text rules of the Win32 build that need no Windows header, so they can be
// checked on any machine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scriblane::win32 {

// The argument text of a full command line: what follows the program name
// (quoted or not), with the blanks in front of it removed; trailing blanks
// and inner quotes are kept as typed.
std::string ArgumentText(std::string_view commandLine);

// The face names of a font enumeration as a list box shows them: in the order
// given, each name once, without the vertical ('@') variants and empty names.
class FaceList {
public:
    // Returns true when the name was taken.
    bool Add(std::string_view face);
    const std::vector<std::string>& names() const { return names_; }

private:
    std::vector<std::string> names_;
};

// A twips value of a layout in device pixels at `dpi` dots per inch.
int TwipsToDevice(int twips, int dpi);
// A font height in points as the negative character height CreateFont takes.
int PointsToFontHeight(double points, int dpi);

}  // namespace scriblane::win32
