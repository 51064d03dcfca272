// The server's 32-bit visual with alpha, and the pixels drawn with it read back.
#include "platform/linux/x11/argb_visual.h"

#include <X11/Xutil.h>

#include <cstring>

namespace scriblane::linuxp {

std::optional<ArgbVisual> FindArgbVisual(::Display* dpy) {
    XVisualInfo info;
    if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info)) return std::nullopt;
    return ArgbVisual{info.visual,
                      XCreateColormap(dpy, DefaultRootWindow(dpy), info.visual, AllocNone)};
}

bool IsArgb8888(const ArgbVisual& argb) {
    return argb.visual->red_mask == 0xFF0000 && argb.visual->green_mask == 0xFF00 &&
           argb.visual->blue_mask == 0xFF;
}

std::optional<ArgbPicture> ReadArgbPicture(::Display* dpy, Drawable drawable, const Rect& box) {
    if (box.right <= box.left || box.bottom <= box.top) return std::nullopt;
    const auto width = static_cast<unsigned>(box.right - box.left);
    const auto height = static_cast<unsigned>(box.bottom - box.top);
    XImage* image = XGetImage(dpy, drawable, box.left, box.top, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return std::nullopt;
    std::optional<ArgbPicture> picture;
    // A pixmap's image carries no colour masks: the visual drawn with tells.
    if (image->depth == 32 && image->bits_per_pixel == 32) {
        picture.emplace();
        picture->width = static_cast<std::int32_t>(width);
        picture->height = static_cast<std::int32_t>(height);
        picture->pixels.resize(std::size_t{width} * height);
        const bool native = (image->byte_order == LSBFirst) == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
        for (unsigned y = 0; y < height; ++y) {
            std::uint32_t* row = &picture->pixels[std::size_t{y} * width];
            const char* from = image->data + static_cast<std::size_t>(y) * image->bytes_per_line;
            std::memcpy(row, from, std::size_t{width} * 4);
            if (!native) {
                for (unsigned x = 0; x < width; ++x) row[x] = __builtin_bswap32(row[x]);
            }
        }
    }
    XDestroyImage(image);
    return picture;
}

}  // namespace scriblane::linuxp
