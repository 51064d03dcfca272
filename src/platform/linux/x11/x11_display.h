// gdi32/user32 on X11: device contexts painting the root window, colours, screen and work area.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/linux/overlay/screen_drawings.h"
#include "platform/linux/text/gdi_display.h"
#include "platform/linux/x11/x11_connection.h"
#include "platform/linux/x11/x11_font.h"
#include "platform/platform.h"

struct _XDisplay;

namespace scriblane::linuxp {

class X11Display : public GdiDisplay {
public:
    explicit X11Display(_XDisplay* dpy);
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    std::int32_t DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                           std::uint32_t format) override;
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, Rect* rect,
                                       std::uint32_t winIni) override;
    ColorRef GetSysColor(std::int32_t index) override;

    // Asks the server, ahead of need, what start-up asks of it: the primary
    // output, the desktop's colour as the server shows it and the work
    // area. The colour and the work area each answer the next question for
    // them, once; later ones read afresh.
    // Runs on a thread of its own while the caller makes the toolkit ready,
    // so nothing else may use the display until it returns.
    void ReadAhead();

    // Where the drawings go and how long they stay.
    ScreenDrawings& drawings() { return drawings_; }

    // A work area as published: left, top, width, height.
    using Published = std::array<std::int64_t, 4>;

private:
    bool RealizeFor(TextFont& font) override;
    void ScreensMayHaveChanged() override;
    Screen ScreenNow() override;

    // The output the screen's context stands for; its corner is the context's origin.
    const OutputPlace& Primary();
    Rect PrimaryScreen() { return Primary().geometry; }
    std::pair<std::int32_t, std::int32_t> RootSize();

    _XDisplay* dpy_;
    std::optional<OutputPlace> primary_;
    // What ReadAhead found; outer empty when nothing was read ahead.
    std::optional<std::optional<ColorRef>> serverColourAhead_;
    std::optional<std::optional<Published>> workAreaAhead_;
    ScreenDrawings drawings_{dpy_};
};

}  // namespace scriblane::linuxp
