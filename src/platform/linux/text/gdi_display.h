// gdi32's objects as both Linux displays keep them: device contexts with
// their colours and selected font, and fonts as handles, realised on first
// use; what differs (the screen, the drawing) is each display's own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/linux/text/text_font.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

class GdiDisplay : public Display {
public:
    GdiDisplay() = default;
    ~GdiDisplay() override = default;
    GdiDisplay(const GdiDisplay&) = delete;
    GdiDisplay& operator=(const GdiDisplay&) = delete;

    Handle CreateDCA(const char* driver, const char* device, const char* output,
                     const void* initData) override;
    Handle GetWindowDC(Handle hwnd) override;
    std::int32_t ReleaseDC(Handle hwnd, Handle hdc) override;
    ColorRef GetTextColor(Handle hdc) override;
    ColorRef SetTextColor(Handle hdc, ColorRef color) override;
    ColorRef GetBkColor(Handle hdc) override;
    ColorRef SetBkColor(Handle hdc, ColorRef color) override;
    // Face, height, width, weight, italic, underline and strike-out are
    // honoured; escapement, orientation, character set and the precision
    // and quality hints have no counterpart here and are ignored.
    Handle CreateFontA(const FontRequest& request) override;
    Handle SelectObject(Handle hdc, Handle object) override;
    std::int32_t DeleteObject(Handle object) override;
    std::int32_t DeleteDC(Handle hdc) override;

protected:
    static constexpr ColorRef kClrInvalid = -1;  // CLR_INVALID

    struct Context {
        bool windowDc = false;
        ColorRef text = 0;
        ColorRef back = 0xFFFFFF;
        Handle font = 0;
    };

    // The context `hdc`, or null.
    const Context* FindContext(Handle hdc) const;
    // The font `handle` realised, or null when it cannot draw.
    TextFont* Realize(Handle handle);
    // Closes every font's faces (a display whose painters hold server
    // resources does so before its connection goes).
    void CloseFonts();

private:
    // Opens `font` for this display's painters; true when it can draw.
    virtual bool RealizeFor(TextFont& font) = 0;
    // A new screen context looks at the screens again.
    virtual void ScreensMayHaveChanged() = 0;

    Handle NewHandle() { return nextHandle_++; }

    Handle nextHandle_ = 0x1000;
    Handle stockFont_ = 0;
    std::map<Handle, Context> contexts_;
    std::map<Handle, std::unique_ptr<TextFont>> fonts_;
};

}  // namespace scriblane::linuxp
