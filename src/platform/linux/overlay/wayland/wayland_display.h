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
#include "platform/linux/text/gdi_display.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

class WaylandDisplay : public GdiDisplay {
public:
    explicit WaylandDisplay(NativeShower& shower);
    ~WaylandDisplay() override;
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;

    std::int32_t DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                           std::uint32_t format) override;
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, Rect* rect,
                                       std::uint32_t winIni) override;
    ColorRef GetSysColor(std::int32_t index) override;

protected:
    bool RealizeFor(TextFont& font) override;

private:
    void ScreensMayHaveChanged() override;
    Screen ScreenNow() override;

    // The output the next drawing goes on, asked once a context.
    const std::optional<native::Target>& Target();

    NativeShower& shower_;
    std::optional<std::optional<native::Target>> target_;
};

}  // namespace scriblane::linuxp
