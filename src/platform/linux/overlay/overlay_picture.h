// A drawing as pixels, for a compositor that shows it on a layer of its own,
// and an output as XWayland names it; plain types only, shared by the
// painter, the X11 side and the Wayland side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace scriblane::linuxp {

// Premultiplied ARGB, one 32-bit value a pixel (alpha in the top byte), row
// after row: what wl_shm calls ARGB8888.
struct ArgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

// An output as the X server (XWayland) sees it: RandR's name for it and its
// place in root coordinates.
struct OutputPlace {
    std::string name;
    Rect geometry;
};

}  // namespace scriblane::linuxp
