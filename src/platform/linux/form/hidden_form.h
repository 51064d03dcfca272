// The form runtime of command-line mode: the window, hidden for good.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/linux/form/form_core.h"

namespace scriblane::linuxp {

// The controls' state without widgets; a message goes to stderr.
//
// Nothing reads this window's font list in command-line mode, and listing
// every installed family (a fontconfig sort and a list) would cost the
// drawing about a tenth of its run. So while the window loads, the screen
// fonts count none; what the load then asks of the list is kept, and only
// when something reads the list or the screen fonts is the list filled with
// every screen font in order and those requests carried out, their failures
// dropped as the load drops them. What is read is what an eager list gives.
class HiddenForm : public FormCore {
public:
    // `notShown` is set when a drawing could not be shown: the status says so.
    HiddenForm(std::string command, std::function<void()> beforeEnd, const bool& notShown)
        : FormCore(std::move(command), std::move(beforeEnd)), notShown_(notShown) {}

    void Load(const FormSpec& layout, FormEvents& events) override;
    void Show() override { throw FormError("the window is not available in command-line mode"); }
    double Width() override { return spec_ ? spec_->clientWidth : 0; }
    double Height() override { return spec_ ? spec_->clientHeight : 0; }
    void Move(std::int32_t, std::int32_t) override {}
    void Unload() override {}
    Handle hWnd() override { return 0; }
    void Refresh(Ctl) override {}
    double TwipsPerPixelX() override { return TwipsPerPixelAt(96); }
    double TwipsPerPixelY() override { return TwipsPerPixelAt(96); }
    std::int32_t MsgBox(const std::string& prompt, std::int32_t style) override;
    void End(std::int32_t exitStatus) override {
        FormCore::End(exitStatus != 0 ? exitStatus : notShown_ ? 1 : 0);
    }

    std::int32_t ScreenFontCount() override;
    std::string ScreenFont(std::int32_t index) override;
    std::string GetText(Ctl c) override;
    void SetText(Ctl c, const std::string& text) override;
    void AddItem(Ctl c, const std::string& item) override;
    void SetListIndex(Ctl c, std::int32_t index) override;

    // True while the font list waits for its first reader.
    bool FontListPending() const { return listPending_; }

private:
    // True when an operation on `c` is to wait with the list.
    bool Defers(Ctl c);
    void FillFontList();

    const bool& notShown_;
    bool loading_ = false;
    bool listPending_ = false;
    std::vector<std::function<void()>> pendingSteps_;
};

}  // namespace scriblane::linuxp
