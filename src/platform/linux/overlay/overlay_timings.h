// How long a drawing stays where the root is never seen, and how long
// showing one waits for the compositor and the helper.
#pragma once

#include <chrono>

namespace scriblane::linuxp {

// How long a drawing stays on XWayland or the compositor's layer: nothing
// beneath can tell us that it repainted, so the text goes after a fixed time.
inline constexpr std::chrono::seconds kOverlayLifetime{5};

// How long any one answer of the compositor is waited for (its globals,
// the configure of a layer surface, the round trip after a commit).
inline constexpr std::chrono::seconds kCompositorAnswerWait{3};

// How long showing a drawing on an X window waits for the compositor's
// frame that holds it; a compositor sends one within a few refreshes, and
// one that sends none costs no more than this.
inline constexpr std::chrono::milliseconds kFrameShownWait{1000};

// How long a layer surface on a scaled output waits for the fractional
// scale the compositor prefers there; past it the output's whole scale is
// painted (as sharp, a little more work for the compositor).
inline constexpr std::chrono::milliseconds kPreferredScaleWait{300};

// How long the drawing process waits for each of the helper's lines.
inline constexpr std::chrono::seconds kHelperAnswerWait{3};

// How long the helper waits for the drawing process's box and for its
// stdin to close; then it gives up on the box, or starts the lifetime anyway
// (the drawing process has gone or hangs).
inline constexpr std::chrono::seconds kHandBackWait{10};

}  // namespace scriblane::linuxp
