// The client side of scriblane-overlay: the helper that keeps a command-line
// drawing on an XWayland window after `scriblane` has ended.
#pragma once

#include <string>

#include "platform/linux/overlay/x11_overlay.h"

namespace scriblane::linuxp {

// What a scriblane-overlay helper keeps, after we end, for one drawing: an
// XWayland window.
class HelperHolder : public OverlayHolder {
public:
    ~HelperHolder() override { StartLifetime(); }
    // Starts the helper, which gets ready while we work.
    void Prepare();
    HeldOverlay Acquire() override;
    void StartLifetime() override;
    const bool& failed() const { return failed_; }

private:
    // The helper's next line, waited for a bounded time; "" when none came.
    std::string ReadLine();
    void Fail(const char* why);

    bool failed_ = false;
    int toHelper_ = -1;
    int fromHelper_ = -1;
};

}  // namespace scriblane::linuxp
