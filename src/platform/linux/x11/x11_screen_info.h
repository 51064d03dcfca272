// The few X11 questions Qt does not answer before a window is mapped: the
// screen's logical DPI without a toolkit, and the frame the window manager
// will put around a window. Plain types only, so no Xlib macro leaks into
// code that includes Qt.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace scriblane::linuxp {

// The value of "Xft.dpi" in an X resource string (the RESOURCE_MANAGER
// property), or nullopt when it is missing or not a positive number.
std::optional<double> ParseXftDpi(std::string_view resources);

}  // namespace scriblane::linuxp

namespace scriblane::linuxp::x11 {

struct FrameExtents {
    int left = 0, right = 0, top = 0, bottom = 0;
    friend bool operator==(const FrameExtents&, const FrameExtents&) = default;
};

// Xft.dpi of the default display, read over a short-lived connection of its
// own; nullopt when there is no display or no such resource.
std::optional<double> ServerXftDpi();
// The same of an open connection (an Xlib Display*), which has the
// resources since it opened: no request.
std::optional<double> XftDpiOf(void* display);

// `display` is an Xlib Display*. The window manager's frame around `window`,
// asked in two halves so the manager can work on the request while the
// window is being built: RequestFrameExtents, for a window not framed yet,
// returns whether a _NET_REQUEST_FRAME_EXTENTS went out (a manager that
// supports it runs); AwaitFrameExtents then gives the
// extents, waiting at most `limit` for the answer. All zero when no
// window manager runs or it does not answer.
bool RequestFrameExtents(void* display, unsigned long window);
FrameExtents AwaitFrameExtents(void* display, unsigned long window, bool requested,
                               std::chrono::milliseconds limit);

// What a window manager decides a window's frame by, for the window the
// toolkit will make: its title, WM_CLASS, and a fixed size in pixels.
struct FrameLook {
    std::string title;
    std::string instance, className;
    int width = 1, height = 1;
};

// An unmapped stand-in for a window not made yet, with the hints the
// toolkit gives that window: a normal, fixed-size window with a title bar,
// system menu, minimize and close buttons. Returns the stand-in, 0 when
// none could be made.
unsigned long MakeStandIn(void* display, const FrameLook& look);

// Asks the window manager for the frame of a window that will look like
// `look`, through a stand-in, before the toolkit can make the window: the
// manager answers while the toolkit starts, and placing the window need
// not wait for it.
class FrameProbe {
public:
    FrameProbe() = default;
    ~FrameProbe();
    FrameProbe(const FrameProbe&) = delete;
    FrameProbe& operator=(const FrameProbe&) = delete;

    // `display` is an Xlib Display*, kept open while the probe lives. Asks
    // nothing where no window manager supports the request.
    void Start(void* display, const FrameLook& look);
    // The manager's answer, waiting at most `limit`; all zero when nothing
    // was asked or no answer came. The stand-in goes.
    FrameExtents Answer(std::chrono::milliseconds limit);

private:
    void* display_ = nullptr;
    unsigned long standIn_ = 0;
};

// Has the server fill `window` (of the default visual) with the colour
// (r, g, b) wherever its program has not painted yet, instead of showing
// what lies beneath; nothing on a screen that is not true-colour. No round
// trip.
void SetUnpaintedColour(void* display, unsigned long window, int r, int g, int b);

}  // namespace scriblane::linuxp::x11
