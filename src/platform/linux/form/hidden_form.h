// The form runtime of command-line mode: the window, hidden for good.
#pragma once

#include <functional>
#include <string>

#include "platform/linux/form/form_core.h"

namespace scriblane::linuxp {

// The controls' state without widgets; a message goes to stderr. Nothing
// reads the font list here, so it is never listed (see FormCore).
class HiddenForm : public FormCore {
public:
    // `notShown` is set when a drawing could not be shown: the status says so.
    HiddenForm(std::string command, std::function<void()> beforeEnd, const bool& notShown)
        : FormCore(std::move(command), std::move(beforeEnd)), notShown_(notShown) {}

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

private:
    const bool& notShown_;
};

}  // namespace scriblane::linuxp
