// gdi32/user32 on X11: device contexts painting the root window, colours, screen and work area.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/x11/x11_connection.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/linux/x11/x11_overlay.h"
#include "platform/platform.h"

struct _XDisplay;
struct _XftDraw;

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

    // Where the root is never seen (XWayland) a drawing goes on the
    // compositor's own overlay layer when one is set, else on an overlay
    // window. With a holder set, what the holder keeps is used and kept by
    // it; otherwise this object keeps the drawing until ExpireOverlays,
    // calling `shown` once each is on screen.
    void SetOverlayHolder(OverlayHolder* holder) { holder_ = holder; }
    void SetPictureLayer(PictureLayer* layer) { layer_ = layer; }
    void SetOverlayShown(std::function<void()> shown) {
        shown_ = std::move(shown);
    }
    // Removes the overlays whose time is up; returns how many are left.
    std::size_t ExpireOverlays(std::chrono::steady_clock::time_point now);
    std::optional<std::chrono::steady_clock::time_point> NextOverlayDeadline() const;

private:
    struct Context {
        bool windowDc = false;
        ColorRef text = 0;
        ColorRef back = 0xFFFFFF;
        Handle font = 0;
    };

    Rect PrimaryScreen();
    std::pair<std::int32_t, std::int32_t> RootSize();
    X11Font* Realize(Handle font);
    Handle NewHandle() { return nextHandle_++; }

    _XDisplay* dpy_;
    Handle nextHandle_ = 0x1000;
    Handle stockFont_ = 0;
    std::map<Handle, Context> contexts_;
    std::map<Handle, std::unique_ptr<X11Font>> fonts_;
    std::optional<Rect> primary_;
    std::optional<bool> xwayland_;
    OverlayHolder* holder_ = nullptr;
    std::function<void()> shown_;
    PictureLayer* layer_ = nullptr;
    struct Overlay {
        OverlayWindow window;      // on an X window,
        std::uint64_t picture = 0;  // or on the layer
        std::chrono::steady_clock::time_point deadline;
    };
    void RemoveOverlay(const Overlay& overlay);
    std::vector<Overlay> overlays_;
    // On the root window, over every window as the desktop's DC paints;
    // made on first use.
    _XftDraw* draw_ = nullptr;
};

}  // namespace scriblane::linuxp
