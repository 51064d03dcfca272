// The form runtime of command-line mode: the window, hidden for good.
#include "platform/linux/form/hidden_form.h"

#include <cstdio>

namespace scriblane::linuxp {

std::int32_t HiddenForm::MsgBox(const std::string& prompt, std::int32_t) {
    std::fprintf(stderr, "scriblane: %s\n", prompt.c_str());
    return 1;
}

void HiddenForm::Load(const FormSpec& layout, FormEvents& events) {
    struct Loading {
        bool& flag;
        explicit Loading(bool& f) : flag(f) { flag = true; }
        ~Loading() { flag = false; }
    } loading(loading_);
    FormCore::Load(layout, events);
}

std::int32_t HiddenForm::ScreenFontCount() {
    if (loading_ && !listPending_) {
        listPending_ = true;
        return 0;
    }
    FillFontList();
    return FormCore::ScreenFontCount();
}

std::string HiddenForm::ScreenFont(std::int32_t index) {
    FillFontList();
    return FormCore::ScreenFont(index);
}

bool HiddenForm::Defers(Ctl c) {
    if (c != Ctl::fBox || !listPending_) return false;
    if (loading_) return true;
    FillFontList();
    return false;
}

std::string HiddenForm::GetText(Ctl c) {
    if (c == Ctl::fBox) FillFontList();
    return FormCore::GetText(c);
}

void HiddenForm::SetText(Ctl c, const std::string& text) {
    if (!Defers(c)) return FormCore::SetText(c, text);
    pendingSteps_.push_back([this, text] { FormCore::SetText(Ctl::fBox, text); });
}

void HiddenForm::AddItem(Ctl c, const std::string& item) {
    if (!Defers(c)) return FormCore::AddItem(c, item);
    pendingSteps_.push_back([this, item] { FormCore::AddItem(Ctl::fBox, item); });
}

void HiddenForm::SetListIndex(Ctl c, std::int32_t index) {
    if (!Defers(c)) return FormCore::SetListIndex(c, index);
    pendingSteps_.push_back([this, index] { FormCore::SetListIndex(Ctl::fBox, index); });
}

void HiddenForm::FillFontList() {
    if (!listPending_) return;
    listPending_ = false;
    for (const std::string& face : Fonts()) FormCore::AddItem(Ctl::fBox, face);
    std::vector<std::function<void()>> steps;
    steps.swap(pendingSteps_);
    for (const auto& step : steps) {
        try {
            step();
        } catch (const FormError&) {
        }
    }
}

}  // namespace scriblane::linuxp
