// What both Linux forms share, so they cannot drift: the controls' state
// while no widget holds it, the face list, the command text and the end.
#pragma once

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/linux/form/form_model.h"
#include "platform/platform.h"
#include "window/layout.h"

namespace scriblane::linuxp {

// The program's arguments after its name, as the core takes them: one text,
// joined with single spaces.
std::vector<std::string> ProgramArguments(int argc, char** argv);
std::string JoinArguments(const std::vector<std::string>& args);

class FormCore : public FormRuntime {
public:
    // `beforeEnd` runs just before the process ends (it flushes what was drawn).
    FormCore(std::string command, std::function<void()> beforeEnd);
    ~FormCore() override;

    void Load(const FormSpec& layout, FormEvents& events) override;
    std::string GetText(Ctl c) override { return model_.GetText(c); }
    // Throws FormError for a list without that entry.
    void SetText(Ctl c, const std::string& text) override { model_.SetText(c, text); }
    void AddItem(Ctl c, const std::string& item) override { model_.AddItem(c, item); }
    void SetListIndex(Ctl c, std::int32_t index) override { model_.SetListIndex(c, index); }
    ColorRef GetBackColor(Ctl c) override { return model_[c].backColor; }
    void SetBackColor(Ctl c, ColorRef color) override { model_[c].backColor = color; }
    // The installed faces as ListScreenFonts orders them (fontconfig's
    // preference first, not sorted by name), each family once; ScreenFont
    // throws FormError past the end.
    std::int32_t ScreenFontCount() override;
    std::string ScreenFont(std::int32_t index) override;
    Handle hInstance() override;
    std::string Command() override { return command_; }
    // Ends the process at once with `exitStatus`, once `beforeEnd` has run.
    void End(std::int32_t exitStatus) override;

protected:
    // Lists the faces beside the rest of start-up instead of when first asked.
    void ListFontsFrom(std::future<std::vector<std::string>> fonts);
    const std::vector<std::string>& Fonts();

    const FormSpec* spec_ = nullptr;
    FormEvents* events_ = nullptr;
    FormModel model_;

private:
    std::string command_;
    std::function<void()> beforeEnd_;
    std::future<std::vector<std::string>> fontsFuture_;
    std::vector<std::string> fonts_;
    bool fontsListed_ = false;
};

}  // namespace scriblane::linuxp
