// The client side of scriblane-overlay: the helper that keeps a command-line
// drawing's window on XWayland after `scriblane` has ended.
#pragma once

#include "platform/linux/x11/x11_overlay.h"

namespace scriblane::linuxp {

// The window of a scriblane-overlay helper, which keeps it after we end.
class HelperHolder : public OverlayHolder {
public:
    ~HelperHolder() override { StartLifetime(); }
    // Starts the helper, which makes the window while we work.
    void Prepare();
    unsigned long Acquire() override;
    void StartLifetime() override;
    const bool& failed() const { return failed_; }

private:
    bool failed_ = false;
    int toHelper_ = -1;
    int fromHelper_ = -1;
};

}  // namespace scriblane::linuxp
