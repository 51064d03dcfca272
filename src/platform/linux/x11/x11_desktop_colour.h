// The colour the user sees on the X desktop, read where the desktop says it.
#pragma once

#include <optional>

#include "platform/platform.h"

struct _XDisplay;

namespace scriblane::linuxp {

// The desktop colour of the screen `screen` (root coordinates), from the
// first source that answers: a published root picture, the root window's
// own plain colour, then the desktop environment's setting. Nothing when
// none of them is readable.
std::optional<ColorRef> ReadDesktopColour(_XDisplay* dpy, const Rect& screen);

// Its two halves: what the X server itself shows (the published picture,
// the root's plain colour), and the desktop environment's setting (which
// may start a settings tool).
std::optional<ColorRef> ReadServerDesktopColour(_XDisplay* dpy, const Rect& screen);
std::optional<ColorRef> ReadSettingsDesktopColour(_XDisplay* dpy);

}  // namespace scriblane::linuxp
