// What both Linux forms share: the controls' state, the face list, the command and the end.
#include "platform/linux/form/form_core.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/linux/posix/end_process.h"

namespace scriblane::linuxp {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

std::string JoinArguments(const std::vector<std::string>& args) {
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) text += ' ';
        text += args[i];
    }
    return text;
}

FormCore::FormCore(std::string command, std::function<void()> beforeEnd)
    : command_(std::move(command)), beforeEnd_(std::move(beforeEnd)) {}

FormCore::~FormCore() {
    if (fontsFuture_.valid()) fontsFuture_.wait();
}

void FormCore::Load(const FormSpec& layout, FormEvents& events) {
    spec_ = &layout;
    events_ = &events;
    for (const ControlSpec& c : layout.controls) model_[c.id].text = c.text;
    struct Loading {
        bool& flag;
        explicit Loading(bool& f) : flag(f) { flag = true; }
        ~Loading() { flag = false; }
    } loading(loading_);
    events.OnLoad();
}

std::string FormCore::GetText(Ctl c) {
    if (c == Ctl::fBox) FillFontList();
    return model_.GetText(c);
}

void FormCore::SetText(Ctl c, const std::string& text) {
    if (WaitsForFontList(c, {ListStep::kText, text})) return;
    model_.SetText(c, text);
}

void FormCore::AddItem(Ctl c, const std::string& item) {
    if (WaitsForFontList(c, {ListStep::kAdd, item})) return;
    model_.AddItem(c, item);
}

void FormCore::SetListIndex(Ctl c, std::int32_t index) {
    if (WaitsForFontList(c, {ListStep::kIndex, {}, index})) return;
    model_.SetListIndex(c, index);
}

bool FormCore::WaitsForFontList(Ctl c, ListStep step) {
    if (c != Ctl::fBox || !listPending_) return false;
    if (loading_) {
        pendingSteps_.push_back(std::move(step));
        return true;
    }
    FillFontList();
    return false;
}

void FormCore::FillFontList() {
    if (!listPending_) return;
    listPending_ = false;
    filling_ = true;
    for (const std::string& face : Fonts()) AddItem(Ctl::fBox, face);
    std::vector<ListStep> steps;
    steps.swap(pendingSteps_);
    for (const ListStep& step : steps) {
        try {
            switch (step.kind) {
                case ListStep::kAdd: AddItem(Ctl::fBox, step.text); break;
                case ListStep::kText: SetText(Ctl::fBox, step.text); break;
                case ListStep::kIndex: SetListIndex(Ctl::fBox, step.index); break;
            }
        } catch (const FormError&) {
        }
    }
    filling_ = false;
    FontListFilled();
}

std::optional<std::string> FormCore::PendingListText() const {
    // The kept requests carried out on what is known of the list: which
    // faces it holds and its first, and the entries added after them.
    std::string shown;
    std::vector<std::string> added;
    std::optional<std::string> first;
    for (const ListStep& step : pendingSteps_) {
        switch (step.kind) {
            case ListStep::kAdd:
                added.push_back(step.text);
                break;
            case ListStep::kText:
                // A face missing from the list fails, and the failure is dropped.
                if (std::find(added.begin(), added.end(), step.text) != added.end() ||
                    IsScreenFont(step.text)) {
                    shown = step.text;
                }
                break;
            case ListStep::kIndex:
                if (step.index == -1) {
                    shown.clear();
                } else if (step.index == 0) {
                    if (!first) first = FirstScreenFont();
                    if (!first->empty()) {
                        shown = *first;
                    } else {
                        return std::nullopt;
                    }
                } else {
                    return std::nullopt;
                }
                break;
        }
    }
    return shown;
}

void FormCore::ListFontsFrom(std::future<std::vector<std::string>> fonts) {
    fontsFuture_ = std::move(fonts);
}

const std::vector<std::string>& FormCore::Fonts() {
    if (!fontsListed_) {
        fonts_ = fontsFuture_.valid() ? fontsFuture_.get() : ListScreenFonts();
        fontsListed_ = true;
    }
    return fonts_;
}

std::int32_t FormCore::ScreenFontCount() {
    if (loading_ && !listPending_) {
        listPending_ = true;
        return 0;
    }
    FillFontList();
    return static_cast<std::int32_t>(Fonts().size());
}

std::string FormCore::ScreenFont(std::int32_t index) {
    FillFontList();
    const auto& fonts = Fonts();
    if (index < 0 || static_cast<std::size_t>(index) >= fonts.size()) {
        throw FormError("no screen font " + std::to_string(index));
    }
    return fonts[static_cast<std::size_t>(index)];
}

Handle FormCore::hInstance() { return static_cast<Handle>(getpid()); }

void FormCore::End(std::int32_t exitStatus) {
    if (beforeEnd_) beforeEnd_();
    std::fflush(stdout);
    std::fflush(stderr);
    EndProcessNow(exitStatus);
}

}  // namespace scriblane::linuxp
