// A drawing as pixels, for a compositor that shows it on a layer of its own
// instead of an X window; plain types only, shared by the X11 side that
// draws it and the Wayland side that shows it.
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

// The compositor's own overlay layer: pictures shown above every window,
// taking neither clicks nor the focus.
class PictureLayer {
public:
    virtual ~PictureLayer() = default;
    // Shows `picture` with its top-left corner at (x, y) in root coordinates,
    // on the compositor's output that is XWayland's `primary`. An id for
    // Remove, or 0 when it could not be shown.
    virtual std::uint64_t Show(const ArgbPicture& picture, std::int32_t x, std::int32_t y,
                               const OutputPlace& primary) = 0;
    virtual void Remove(std::uint64_t id) = 0;
};

}  // namespace scriblane::linuxp
