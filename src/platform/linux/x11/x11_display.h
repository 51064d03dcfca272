// gdi32/user32 on X11: device contexts painting the root window, colours, screen and work area.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/linux/overlay/screen_drawings.h"
#include "platform/linux/x11/x11_connection.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;

namespace scriblane::linuxp {

class X11Display : public Display {
public:
    explicit X11Display(_XDisplay* dpy);
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Handle CreateDCA(const char* driver, const char* device, const char* output,
                     const void* initData) override;
    Handle GetWindowDC(Handle hwnd) override;
    std::int32_t GetDeviceCaps(Handle hdc, std::int32_t index) override;
    std::int32_t ReleaseDC(Handle hwnd, Handle hdc) override;
    ColorRef GetTextColor(Handle hdc) override;
    ColorRef SetTextColor(Handle hdc, ColorRef color) override;
    ColorRef GetBkColor(Handle hdc) override;
    ColorRef SetBkColor(Handle hdc, ColorRef color) override;
    Handle CreateFontA(const FontRequest& request) override;
    Handle SelectObject(Handle hdc, Handle object) override;
    std::int32_t DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                           std::uint32_t format) override;
    std::int32_t DeleteObject(Handle object) override;
    std::int32_t DeleteDC(Handle hdc) override;
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, Rect* rect,
                                       std::uint32_t winIni) override;
    ColorRef GetSysColor(std::int32_t index) override;

    // Where the drawings go and how long they stay.
    ScreenDrawings& drawings() { return drawings_; }

private:
    struct Context {
        bool windowDc = false;
        ColorRef text = 0;
        ColorRef back = 0xFFFFFF;
        Handle font = 0;
    };

    // The output the screen's context stands for; its corner is the context's origin.
    const OutputPlace& Primary();
    Rect PrimaryScreen() { return Primary().geometry; }
    std::pair<std::int32_t, std::int32_t> RootSize();
    X11Font* Realize(Handle font);
    Handle NewHandle() { return nextHandle_++; }

    _XDisplay* dpy_;
    Handle nextHandle_ = 0x1000;
    Handle stockFont_ = 0;
    std::map<Handle, Context> contexts_;
    std::map<Handle, std::unique_ptr<X11Font>> fonts_;
    std::optional<OutputPlace> primary_;
    ScreenDrawings drawings_{dpy_};
};

}  // namespace scriblane::linuxp
