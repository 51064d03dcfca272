// The client side of scriblane-overlay: the helper that keeps a command-line
// drawing on XWayland (a window) or on the compositor's own layer after
// `scriblane` has ended.
#pragma once

#include <string>

#include "platform/linux/overlay/wayland/native_shower.h"
#include "platform/linux/overlay/x11_overlay.h"

namespace scriblane::linuxp {

// What a scriblane-overlay helper keeps, after we end, for one drawing: an
// XWayland window, or a surface on the compositor's layer.
class HelperHolder : public OverlayHolder, public NativeShower {
public:
    ~HelperHolder() override { StartLifetime(); }
    // Starts the helper, which gets ready while we work.
    void Prepare();
    HeldOverlay Acquire() override;
    void StartLifetime() override;
    std::optional<native::Target> NextTarget() override;
    bool Show(const native::Placement& placement, const ArgbPicture& picture) override;
    void NotShown(const char* why) override;
    const bool& failed() const { return failed_; }

private:
    // The helper's next line, waited for a bounded time; "" when none came.
    std::string ReadLine();
    void Fail(const char* why);

    std::optional<native::Target> target_;  // of the helper's surface, once it said
    bool failed_ = false;
    int toHelper_ = -1;
    int fromHelper_ = -1;
};

}  // namespace scriblane::linuxp
