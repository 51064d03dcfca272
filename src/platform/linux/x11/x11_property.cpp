// Reading a window property of 32-bit items.
#include "platform/linux/x11/x11_property.h"

namespace scriblane::linuxp::x11 {

std::optional<std::vector<long>> ReadProperty32(::Display* dpy, Window window, Atom property,
                                                Atom type, long most) {
    if (dpy == nullptr || window == None || property == None) return std::nullopt;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<std::vector<long>> items;
    if (XGetWindowProperty(dpy, window, property, 0, most, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        actualType == type && format == 32 && data != nullptr) {
        const long* v = reinterpret_cast<const long*>(data);
        items.emplace(v, v + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

}  // namespace scriblane::linuxp::x11
