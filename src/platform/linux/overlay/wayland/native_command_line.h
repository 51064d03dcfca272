// Command-line mode's drawing on the compositor's overlay layer, as a module
// (scriblane-native.so) that `scriblane` loads only where WAYLAND_DISPLAY is
// set: on plain X the program starts without libwayland-client and pixman.
// The drawing is painted and shown by this process; the helper
// scriblane-overlay then holds its connection, and with it the drawing, for
// the drawing's lifetime, so the command returns as soon as it is shown.
#pragma once

#include <optional>

#include "platform/linux/overlay/overlay_picture.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

class NativeCommandLine {
public:
    virtual ~NativeCommandLine() = default;
    // gdi32/user32 for the output the drawing goes on.
    virtual Display& display() = 0;
    // Set once a drawing could not be shown (after one line on stderr).
    virtual const bool& failed() const = 0;
};

// XWayland's primary output where XWayland answers, else nothing.
using PrimaryOutputFunction = std::optional<OutputPlace> (*)();

// The module's one function: a surface is asked for at once, on `primary`'s
// output when it names one the compositor has. nullptr when WAYLAND_DISPLAY
// names no compositor with an overlay layer (then X is the way).
inline constexpr const char* kNativeModule = "scriblane-native.so";
inline constexpr const char* kNativeModuleFunction = "scriblane_native_command_line";
using NativeCommandLineFunction = NativeCommandLine* (*)(PrimaryOutputFunction primary);

}  // namespace scriblane::linuxp
