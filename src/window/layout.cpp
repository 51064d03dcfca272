// The main window's controls as one table in twips, and the orders derived from it.
#include "window/layout.h"

#include <algorithm>
#include <array>

#include "platform/platform.h"

namespace scriblane {
namespace {

constexpr FontSpec kWindowFont{"Arial", 8.25, false};
constexpr FontSpec kSans825{"MS Sans Serif", 8.25, false};
constexpr FontSpec kSans975{"MS Sans Serif", 9.75, false};
constexpr FontSpec kArialBold825{"Arial", 8.25, true};
constexpr FontSpec kArialBold975{"Arial", 9.75, true};
constexpr FontSpec kArialBold12{"Arial", 12, true};

using K = ControlKind;

// clang-format off
constexpr std::array<ControlSpec, 21> kControls{{
    // id            name           idx       kind          inFrame text                              left  top   width height tab     font           tooltip
    {Ctl::tText,     "tText",       kNoIndex, K::TextBox,    false, "",                               60,   300,  4215, 795,  0,      kSans975,      nullptr, true},
    {Ctl::Frame1,    "Frame1",      kNoIndex, K::Frame,      false, "Settings",                       0,    1260, 4335, 2295, 2,      kWindowFont,   nullptr},
    {Ctl::bUseDeskCol, "bUseDeskCol", kNoIndex, K::Button,   true,  "Use Desk Color",                 2520, 1320, 1575, 255,  17,     kWindowFont,   "Set Desktop color as default background color."},
    {Ctl::bSave,     "bSave",       kNoIndex, K::Button,     true,  "Save Settings",                  480,  1860, 1275, 315,  16,     kArialBold825, "Save font, size and color as default."},
    {Ctl::bHelp,     "bHelp",       kNoIndex, K::Button,     true,  "?",                              3900, 1860, 315,  315,  15,     kArialBold12,  "Help"},
    {Ctl::bWrite,    "bWrite",      kNoIndex, K::Button,     true,  "Write it!",                      2400, 1860, 1035, 315,  14,     kArialBold975, "Write text on Desktop."},
    {Ctl::fBox,      "fBox",        kNoIndex, K::ComboList,  true,  "",                               120,  1380, 2055, 315,  12,     kSans825,      nullptr},
    {Ctl::tH,        "tH",          kNoIndex, K::TextBox,    true,  "",                               120,  720,  855,  315,  8,      kSans825,      nullptr, false, true},
    {Ctl::tW,        "tW",          kNoIndex, K::TextBox,    true,  "",                               1260, 720,  855,  315,  7,      kSans825,      nullptr, false, true},
    {Ctl::PicT,      "PicT",        kNoIndex, K::PictureBox, true,  "",                               3780, 300,  315,  315,  6,      kSans825,      nullptr},
    {Ctl::bCol,      "bCol",        kNoIndex, K::Button,     true,  "Text Color",                     2520, 300,  1035, 315,  5,      kArialBold825, "Choose text color."},
    {Ctl::bcolBK,    "bcolBK",      kNoIndex, K::Button,     true,  "Back Color",                     2520, 840,  1035, 315,  4,      kArialBold825, "Choose background color"},
    {Ctl::PicBk,     "PicBk",       kNoIndex, K::PictureBox, true,  "",                               3780, 840,  315,  315,  3,      kSans825,      nullptr},
    {Ctl::Line3,     "Line3",       kNoIndex, K::Line,       true,  "",                               0,    1740, 4320, 1740, kNoTab, kWindowFont,   nullptr, false, false, kColorWindowText},
    {Ctl::Line2,     "Line2",       kNoIndex, K::Line,       true,  "",                               2340, 1740, 2340, 120,  kNoTab, kWindowFont,   nullptr, false, false, kColorBtnText},
    {Ctl::Label1_3,  "Label1",      3,        K::Label,      true,  "Choose Font:",                   120,  1140, 1035, 195,  13,     kWindowFont,   nullptr},
    {Ctl::Label1_1,  "Label1",      1,        K::Label,      true,  "Font height:",                   120,  480,  975,  195,  11,     kWindowFont,   nullptr},
    {Ctl::Label1_2,  "Label1",      2,        K::Label,      true,  "Font width:",                    1260, 480,  855,  195,  10,     kWindowFont,   nullptr},
    {Ctl::Label2,    "Label2",      kNoIndex, K::Label,      true,  "Set size of letters in pixels.", 120,  240,  2055, 255,  9,      kWindowFont,   nullptr},
    {Ctl::Line1,     "Line1",       kNoIndex, K::Line,       true,  "",                               1980, 480,  120,  480,  kNoTab, kWindowFont,   nullptr, false, false, kColorWindowText},
    {Ctl::Label1_0,  "Label1",      0,        K::Label,      false, "Text to write:",                 180,  60,   1815, 195,  1,      kWindowFont,   nullptr},
}};
// clang-format on

constexpr FormSpec kMainForm{"Scriblane", 4350, 3540, kWindowFont, 45, 330, kControls};

}  // namespace

const FormSpec& MainFormSpec() { return kMainForm; }

const ControlSpec& SpecOf(Ctl id) { return kControls[static_cast<std::size_t>(id)]; }

double TwipsPerPixelAt(double dpi) {
    if (!(dpi >= 1.0 && dpi <= 10000.0)) dpi = kNormalDpi;
    return 1440.0 / dpi;
}

bool TakesFocus(const ControlSpec& control) {
    switch (control.kind) {
        case ControlKind::TextBox:
        case ControlKind::Button:
        case ControlKind::ComboList:
        case ControlKind::PictureBox:
            return control.tabIndex != kNoTab;
        default:
            return false;
    }
}

std::vector<const ControlSpec*> StackingOrder(const FormSpec& form) {
    std::vector<const ControlSpec*> order;
    for (const ControlSpec& c : form.controls) order.push_back(&c);
    auto rank = [](const ControlSpec* c) {
        if (c->kind == ControlKind::Frame) return 1 << 20;
        return c->tabIndex == kNoTab ? (1 << 19) : c->tabIndex;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const ControlSpec* a, const ControlSpec* b) { return rank(a) < rank(b); });
    return order;
}

std::vector<const ControlSpec*> TabOrder(const FormSpec& form) {
    std::vector<const ControlSpec*> order = StackingOrder(form);
    std::erase_if(order, [](const ControlSpec* c) { return !TakesFocus(*c); });
    return order;
}

}  // namespace scriblane
