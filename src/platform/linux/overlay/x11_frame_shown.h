// Whether the compositor has put a window's content on screen, for X
// servers whose windows are shown by a compositor (XWayland).
#pragma once

#include <chrono>

struct _XDisplay;

namespace scriblane::linuxp {

// Waits, at most `wait`, until the compositor has shown a frame of `window`
// that holds everything sent to the server so far. XWayland counts a
// window's frames by the compositor's own frame events, and the Present
// extension reports when the next one is done; without it (no Present, no
// libXpresent) there is nothing to wait for. True once such a frame was
// reported; false when none was in time or none can be.
bool AwaitFrameShown(_XDisplay* dpy, unsigned long window, std::chrono::milliseconds wait);

}  // namespace scriblane::linuxp
