// gdi32 and user32 behind the core's Display: each call is the Win32 one.
#pragma once

#include "platform/platform.h"

namespace scriblane::win32 {

class Win32Display final : public Display {
public:
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
};

}  // namespace scriblane::win32
