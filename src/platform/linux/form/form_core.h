// What both Linux forms share, so they cannot drift: the controls' state
// while no widget holds it, the face list, the command text and the end.
#pragma once

#include <functional>
#include <future>
#include <optional>
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
    std::string GetText(Ctl c) override;
    // Throws FormError for a list without that entry.
    void SetText(Ctl c, const std::string& text) override;
    void AddItem(Ctl c, const std::string& item) override;
    void SetListIndex(Ctl c, std::int32_t index) override;
    ColorRef GetBackColor(Ctl c) override { return model_[c].backColor; }
    void SetBackColor(Ctl c, ColorRef color) override { model_[c].backColor = color; }
    // The installed faces as ListScreenFonts orders them (fontconfig's
    // preference first, not sorted by name), each family once; ScreenFont
    // throws FormError past the end.
    //
    // Listing every family (a fontconfig sort and a list) is the dearest
    // part of loading the window, and nothing needs the font list before
    // the window is built, command-line mode never. So while the window
    // loads the screen fonts count none, and what the load then asks of the
    // list is kept; only when something reads the list or the screen fonts
    // (or the window has painted, or the user reaches for the list) is it
    // filled with every screen font in order and those requests carried out,
    // their failures dropped as the load drops them. What is read is what an
    // eager list gives.
    std::int32_t ScreenFontCount() override;
    std::string ScreenFont(std::int32_t index) override;
    // True while the font list waits for its first reader.
    bool FontListPending() const { return listPending_; }
    // What the waiting list will show once filled and its requests carried
    // out ("" for no entry), told without listing every face; nullopt where
    // only the whole list can tell (an entry other than the first chosen).
    std::optional<std::string> PendingListText() const;
    Handle hInstance() override;
    std::string Command() override { return command_; }
    // Ends the process at once with `exitStatus`, once `beforeEnd` has run.
    void End(std::int32_t exitStatus) override;

protected:
    // Lists the faces on a thread of its own instead of when first asked.
    void ListFontsFrom(std::future<std::vector<std::string>> fonts);
    const std::vector<std::string>& Fonts();
    // Fills a waiting font list (through the form's own AddItem, SetText and
    // SetListIndex) and carries out the requests kept for it.
    void FillFontList();
    // A request on the waiting list, carried out once it is filled.
    struct ListStep {
        enum Kind { kAdd, kText, kIndex } kind;
        std::string text;
        std::int32_t index = 0;
    };
    // For an operation on `c`: true when it waits with the list (`step`,
    // kept, is carried out later); otherwise a waiting list is filled first.
    bool WaitsForFontList(Ctl c, ListStep step);
    // True while FillFontList puts the faces and the kept requests in.
    bool FillingFontList() const { return filling_; }
    // Runs once a waiting list has been filled.
    virtual void FontListFilled() {}

    const FormSpec* spec_ = nullptr;
    FormEvents* events_ = nullptr;
    FormModel model_;

private:
    std::string command_;
    std::function<void()> beforeEnd_;
    std::future<std::vector<std::string>> fontsFuture_;
    std::vector<std::string> fonts_;
    bool fontsListed_ = false;
    bool loading_ = false;
    bool listPending_ = false;
    bool filling_ = false;
    std::vector<ListStep> pendingSteps_;
};

}  // namespace scriblane::linuxp
