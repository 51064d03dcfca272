// gdi32/user32 where the compositor has an overlay layer and no X server is
// needed: the screen's context stands for one output (its logical size,
// its top-left corner the origin), and each drawing is painted at that
// output's scale and shown on the layer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/linux/overlay/wayland/native_shower.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

struct TextFont;

class WaylandDisplay : public Display {
public:
    explicit WaylandDisplay(NativeShower& shower);
    ~WaylandDisplay() override;
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;

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

private:
    struct Context {
        bool windowDc = false;
        ColorRef text = 0;
        ColorRef back = 0xFFFFFF;
        Handle font = 0;
    };
    struct Font;

    // The output the next drawing goes on, asked once a context.
    const std::optional<native::Target>& Target();
    TextFont* Realize(Handle font);
    Handle NewHandle() { return nextHandle_++; }

    NativeShower& shower_;
    Handle nextHandle_ = 0x1000;
    Handle stockFont_ = 0;
    std::map<Handle, Context> contexts_;
    std::map<Handle, std::unique_ptr<Font>> fonts_;
    std::optional<std::optional<native::Target>> target_;
};

}  // namespace scriblane::linuxp
