// Reading an X window property of 32-bit items.
#include "platform/linux/x11/x11_property.h"

#include <X11/Xlib.h>

namespace scriblane::linuxp {

std::optional<std::vector<long>> ReadProperty32(::Display* dpy, unsigned long window,
                                                unsigned long property, unsigned long type,
                                                long most) {
    if (property == None) return std::nullopt;
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<std::vector<long>> items;
    if (XGetWindowProperty(dpy, window, property, 0, most, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        actual == type && format == 32 && (data != nullptr || count == 0)) {
        const long* v = reinterpret_cast<const long*>(data);
        items.emplace(v, v + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

}  // namespace scriblane::linuxp
