// The window's state without any widgets: what the controls hold while the
// window is hidden. Command-line mode never needs more, so it never pays for
// a toolkit; the Qt window takes this state over when it is first shown.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "window/layout.h"

namespace scriblane::linuxp {

struct ControlState {
    std::string text;
    ColorRef backColor = 0;
    std::vector<std::string> items;  // list entries, in the order added
    int listIndex = -1;              // -1: nothing selected
};

class FormModel {
public:
    ControlState& operator[](Ctl c) { return controls_[c]; }
    std::string GetText(Ctl c);
    void SetText(Ctl c, const std::string& text);  // throws FormError on a list
    void AddItem(Ctl c, const std::string& item);
    void SetListIndex(Ctl c, std::int32_t index);

private:
    std::map<Ctl, ControlState> controls_;
};

// The installed faces through fontconfig, each family once: those fontconfig
// prefers for the default sans-serif face first, in its order of preference,
// then every other family in fontconfig's list order.
std::vector<std::string> ListScreenFonts();

// One entry of that list without making it: whether `face` is listed (some
// installed face has it as its first family; case matters), and the entry
// that comes first (empty when fontconfig cannot tell). A font list and a
// match cost a fraction of the sort.
bool IsScreenFont(const std::string& face);
std::string FirstScreenFont();

}  // namespace scriblane::linuxp
