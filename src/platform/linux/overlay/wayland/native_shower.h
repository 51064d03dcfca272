// Where a drawing painted for the compositor's overlay layer goes: a helper
// that keeps it after the drawing process ends (command-line mode), or a
// connection of the process's own (the window program).
#pragma once

#include <optional>

#include "platform/linux/overlay/overlay_picture.h"
#include "platform/linux/overlay/wayland/native_placement.h"

namespace scriblane::linuxp {

class NativeShower {
public:
    virtual ~NativeShower() = default;
    // The output the next drawing goes on: its logical size and the scale
    // to paint at. Nothing after one line on stderr.
    virtual std::optional<native::Target> NextTarget() = 0;
    // The outputs may have changed since NextTarget was asked: it looks
    // again, where it can.
    virtual void OutputsMayHaveChanged() {}
    // Shows `picture`, painted for NextTarget() as `placement` says; its
    // lifetime starts. False after one line on stderr.
    virtual bool Show(const native::Placement& placement, const ArgbPicture& picture) = 0;
    // A drawing that cannot be shown for `why`: one line on stderr, and
    // the program's status says it failed.
    virtual void NotShown(const char* why) = 0;
};

}  // namespace scriblane::linuxp
