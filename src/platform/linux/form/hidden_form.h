// The form runtime of command-line mode: the window, hidden for good.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/linux/form/form_model.h"
#include "platform/linux/posix/end_process.h"
#include "platform/platform.h"
#include "window/layout.h"

namespace scriblane::linuxp {

// Joined with single spaces, as one command-line text.
std::string JoinArguments(int argc, char** argv);

// The controls' state without widgets. `beforeEnd` runs just before the
// process ends (it flushes what was drawn).
class HiddenForm : public FormRuntime {
public:
    // `notShown` is set when a drawing could not be shown: the status says so.
    HiddenForm(std::string command, std::function<void()> beforeEnd, const bool& notShown)
        : command_(std::move(command)), beforeEnd_(std::move(beforeEnd)), notShown_(notShown) {}

    void Load(const FormSpec& layout, FormEvents& events) override {
        spec_ = &layout;
        for (const ControlSpec& c : layout.controls) model_[c.id].text = c.text;
        events.OnLoad();
    }
    void Show() override { throw FormError("the window is not available in command-line mode"); }
    double Width() override { return spec_ ? spec_->clientWidth : 0; }
    double Height() override { return spec_ ? spec_->clientHeight : 0; }
    void Move(std::int32_t, std::int32_t) override {}
    void Unload() override {}
    Handle hWnd() override { return 0; }
    std::string GetText(Ctl c) override { return model_.GetText(c); }
    void SetText(Ctl c, const std::string& text) override { model_.SetText(c, text); }
    void AddItem(Ctl c, const std::string& item) override { model_.AddItem(c, item); }
    void SetListIndex(Ctl c, std::int32_t index) override { model_.SetListIndex(c, index); }
    ColorRef GetBackColor(Ctl c) override { return model_[c].backColor; }
    void SetBackColor(Ctl c, ColorRef color) override { model_[c].backColor = color; }
    void Refresh(Ctl) override {}
    std::int32_t ScreenFontCount() override { return static_cast<std::int32_t>(Fonts().size()); }
    std::string ScreenFont(std::int32_t index) override {
        return Fonts().at(static_cast<std::size_t>(index));
    }
    double TwipsPerPixelX() override { return 15.0; }
    double TwipsPerPixelY() override { return 15.0; }
    std::int32_t MsgBox(const std::string& prompt, std::int32_t) override {
        std::fprintf(stderr, "scriblane: %s\n", prompt.c_str());
        return 1;
    }
    Handle hInstance() override { return static_cast<Handle>(getpid()); }
    std::string Command() override { return command_; }
    void End(std::int32_t exitStatus) override {
        // What was drawn must reach the server before the process ends.
        if (beforeEnd_) beforeEnd_();
        std::fflush(stdout);
        std::fflush(stderr);
        EndProcessNow(exitStatus != 0 ? exitStatus : notShown_ ? 1 : 0);
    }

private:
    const std::vector<std::string>& Fonts() {
        if (!fontsListed_) {
            fonts_ = ListScreenFonts();
            fontsListed_ = true;
        }
        return fonts_;
    }

    std::string command_;
    std::function<void()> beforeEnd_;
    const bool& notShown_;
    const FormSpec* spec_ = nullptr;
    FormModel model_;
    std::vector<std::string> fonts_;
    bool fontsListed_ = false;
};

}  // namespace scriblane::linuxp
