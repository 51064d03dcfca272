// A drawing as pixels: plain types, for whatever shows it (a compositor's
// layer, a test) and whatever paints it, with no X involved.
#pragma once

#include <cstdint>
#include <vector>

namespace scriblane::linuxp {

// Premultiplied ARGB, one 32-bit value a pixel (alpha in the top byte), row
// after row: what wl_shm calls ARGB8888.
struct ArgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

}  // namespace scriblane::linuxp
