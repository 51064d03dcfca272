#include "platform/linux/qt_form.h"

#include <unistd.h>

#include <cstdio>

namespace scriblane::linuxp {

QtForm::QtForm(std::vector<std::string> args, std::function<void()> beforeEnd)
    : args_(std::move(args)), beforeEnd_(std::move(beforeEnd)) {}

QtForm::~QtForm() = default;

void QtForm::Load(const FormSpec& spec, FormEvents& events) {
    spec_ = &spec;
    events_ = &events;
    for (const ControlSpec& c : spec.controls) model_[c.id].text = c.text;
    events.OnLoad();
}

void QtForm::Show() { throw FormError("the window cannot be shown yet"); }
double QtForm::Width() { return spec_ ? spec_->clientWidth : 0; }
double QtForm::Height() { return spec_ ? spec_->clientHeight : 0; }
void QtForm::Move(std::int32_t, std::int32_t) {}
void QtForm::Unload() {}
Handle QtForm::hWnd() { return 0; }

std::string QtForm::GetText(Ctl c) { return model_.GetText(c); }
void QtForm::SetText(Ctl c, const std::string& text) { model_.SetText(c, text); }
void QtForm::AddItem(Ctl c, const std::string& item) { model_.AddItem(c, item); }
void QtForm::SetListIndex(Ctl c, std::int32_t index) { model_.SetListIndex(c, index); }
ColorRef QtForm::GetBackColor(Ctl c) { return model_[c].backColor; }
void QtForm::SetBackColor(Ctl c, ColorRef color) { model_[c].backColor = color; }
void QtForm::Refresh(Ctl) {}

const std::vector<std::string>& QtForm::Fonts() {
    if (!fontsListed_) {
        fonts_ = ListScreenFonts();
        fontsListed_ = true;
    }
    return fonts_;
}

std::int32_t QtForm::ScreenFontCount() { return static_cast<std::int32_t>(Fonts().size()); }

std::string QtForm::ScreenFont(std::int32_t index) {
    return Fonts().at(static_cast<std::size_t>(index));
}

double QtForm::TwipsPerPixelX() { return 15.0; }
double QtForm::TwipsPerPixelY() { return 15.0; }

std::int32_t QtForm::MsgBox(const std::string& prompt, std::int32_t) {
    std::fprintf(stderr, "Scriblane: %s\n", prompt.c_str());
    return 1;
}

Handle QtForm::hInstance() { return static_cast<Handle>(getpid()); }

std::string QtForm::Command() {
    std::string text;
    for (std::size_t i = 0; i < args_.size(); ++i) {
        if (i > 0) text += ' ';
        text += args_[i];
    }
    return text;
}

void QtForm::End() {
    if (beforeEnd_) beforeEnd_();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
}

int QtForm::Exec() { return 0; }

}  // namespace scriblane::linuxp
