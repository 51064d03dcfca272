// The output (monitor) that XWayland or a plain X server calls primary, through RandR.
#pragma once

#include <optional>

#include "platform/linux/overlay/overlay_picture.h"

struct _XDisplay;

namespace scriblane::linuxp {

// The primary monitor (RandR 1.5), else the first; on older servers the
// primary output (RandR 1.3), else the first lit one. Nothing when
// RandR is missing or has none lit.
std::optional<OutputPlace> PrimaryOutput(_XDisplay* dpy);

}  // namespace scriblane::linuxp
