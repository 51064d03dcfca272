// gdi32's objects as both Linux displays keep them: device contexts with
// their colours and selected font, and fonts as handles, realised on first
// use; what differs (the screen, the drawing) is each display's own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/text/text_font.h"
#include "platform/linux/text/text_layout.h"
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
    std::int32_t GetDeviceCaps(Handle hdc, std::int32_t index) override;
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

    // The screen the contexts stand for, in its own pixels.
    struct Screen {
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t bitsPerPixel = 0;
    };

    // What DrawTextA's arguments ask to be drawn: the context, its font
    // realised and the lines after prefix processing; nothing when the
    // call draws nothing (an unknown context, no rectangle, no text for a
    // count, a font that cannot draw).
    struct Drawing {
        Context context;
        TextFont* font = nullptr;
        std::vector<TextLine> lines;
    };
    std::optional<Drawing> DrawingOf(Handle hdc, const char* text, std::int32_t count,
                                     const Rect* rect, std::uint32_t format);

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
    virtual Screen ScreenNow() = 0;

    Handle NewHandle() { return nextHandle_++; }

    Handle nextHandle_ = 0x1000;
    Handle stockFont_ = 0;
    std::map<Handle, Context> contexts_;
    std::map<Handle, std::unique_ptr<TextFont>> fonts_;
};

}  // namespace scriblane::linuxp
