// The main window as data: one table of controls in twips. Each platform's
// form runtime builds its native controls from this table.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace scriblane {

// Controls in creation order.
enum class Ctl : int {
    tText,
    Frame1,
    bUseDeskCol,
    bSave,
    bHelp,
    bWrite,
    fBox,
    tH,
    tW,
    PicT,
    bCol,
    bcolBK,
    PicBk,
    Line3,
    Line2,
    Label1_3,
    Label1_1,
    Label1_2,
    Label2,
    Line1,
    Label1_0,
};

enum class ControlKind {
    TextBox,     // multi-line when `multiLine`, centred text when `centred`
    Frame,       // titled group box
    Button,
    ComboList,   // drop-down list, no typing, not sorted
    PictureBox,  // sunken, focusable colour swatch
    Label,       // plain left-aligned text
    Line,        // one pixel, solid; geometry is x1, y1, x2, y2
};

struct FontSpec {
    const char* face;  // "MS Sans Serif", "Arial"
    double points;
    bool bold;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

inline constexpr int kNoTab = -1;
inline constexpr int kNoIndex = -1;

struct ControlSpec {
    Ctl id;
    const char* name;  // "tText", "Label1", ...
    int index;         // member of an indexed group, else kNoIndex
    ControlKind kind;
    bool inFrame;      // inside Frame1 (positions relative to it) or the window
    const char* text;  // caption or initial text; "" for none
    // Twips. For a line: x1, y1, x2, y2.
    int left, top, width, height;
    int tabIndex;      // kNoTab for controls that never take the focus
    FontSpec font;
    const char* tooltip;  // nullptr for none
    bool multiLine = false;  // with vertical scroll bar and word wrapping
    bool centred = false;
    int lineSysColor = 0;    // system colour index of a line
};

struct FormSpec {
    const char* title;
    int clientWidth;   // twips
    int clientHeight;
    FontSpec font;     // the window font
    int initialLeft;   // client area's top-left corner on the screen, twips
    int initialTop;
    std::span<const ControlSpec> controls;
};

const FormSpec& MainFormSpec();
const ControlSpec& SpecOf(Ctl id);

// Twips to device pixels, rounding to nearest (halves away from zero); a
// result beyond int saturates.
inline int TwipsToPixels(int twips, double twipsPerPixel) {
    const double px = std::round(twips / twipsPerPixel);
    if (px >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (px <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(px);
}

// The logical DPI that Windows calls normal: 15 twips to a pixel.
inline constexpr double kNormalDpi = 96.0;

// Twips per device pixel at a logical DPI (15 at 96). A DPI that is not a
// sensible positive number gives the 96-DPI value.
double TwipsPerPixelAt(double dpi);

// A control the user can tab to and click into: an input kind with a tab index.
bool TakesFocus(const ControlSpec& control);

// Every control by tab index, those without one after them and the frame
// last, ties in table order: the stacking order of the native controls (the
// frame never paints over its contents) and, less those that take no focus,
// the order the Tab key visits.
std::vector<const ControlSpec*> StackingOrder(const FormSpec& form);
std::vector<const ControlSpec*> TabOrder(const FormSpec& form);

}  // namespace scriblane
