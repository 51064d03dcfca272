// A drawing as pixels, for a compositor that shows it on a layer of its own,
// and an output as XWayland names it; plain types only, shared by the
// painter, the X11 side and the Wayland side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/text/argb_picture.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

// An output as the X server (XWayland) sees it: RandR's name for it and its
// place in root coordinates.
struct OutputPlace {
    std::string name;
    Rect geometry;
};

}  // namespace scriblane::linuxp
