// The main window as native Win32 controls built from the shared layout.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "window/layout.h"

namespace scriblane::win32 {

class Win32Form final : public FormRuntime {
public:
    Win32Form();
    ~Win32Form() override;

    void Load(const FormSpec& layout, FormEvents& events) override;
    void Show() override;
    double Width() override;
    double Height() override;
    void Move(std::int32_t left, std::int32_t top) override;
    void Unload() override;
    Handle hWnd() override;

    std::string GetText(Ctl control) override;
    void SetText(Ctl control, const std::string& text) override;
    void AddItem(Ctl control, const std::string& item) override;
    void SetListIndex(Ctl control, std::int32_t index) override;
    ColorRef GetBackColor(Ctl control) override;
    void SetBackColor(Ctl control, ColorRef color) override;
    void Refresh(Ctl control) override;

    std::int32_t ScreenFontCount() override;
    std::string ScreenFont(std::int32_t index) override;
    double TwipsPerPixelX() override;
    double TwipsPerPixelY() override;

    std::int32_t MsgBox(const std::string& prompt, std::int32_t style) override;
    Handle hInstance() override;
    std::string Command() override;
    void End(std::int32_t exitStatus) override;

    // For the message loop: keyboard navigation between the controls.
    // True when the message was handled and must not be dispatched.
    bool PreTranslate(MSG& msg);
    HWND window() const { return hwnd_; }

private:
    static LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle_(UINT msg, WPARAM wp, LPARAM lp);
    void CreateControls(const FormSpec& layout);
    void AddTooltip(HWND control, const char* text);
    HFONT FontFor(const FontSpec& font);
    HWND Need(Ctl control) const;
    void ReadDpi();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND tooltips_ = nullptr;
    FormEvents* events_ = nullptr;
    bool unloading_ = false;
    int dpiX_ = 96;
    int dpiY_ = 96;
    static constexpr std::size_t kCount = 21;
    std::array<HWND, kCount> controls_{};
    std::array<ColorRef, kCount> colors_{};
    struct MadeFont {
        FontSpec wanted;
        HFONT font;
    };
    std::vector<MadeFont> fonts_;
    std::optional<std::vector<std::string>> faces_;
    HWND lastFocus_ = nullptr;
};

}  // namespace scriblane::win32
