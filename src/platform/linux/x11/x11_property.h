// Reading a window property of 32-bit items, the one way every X11 part here does it.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <vector>

namespace scriblane::linuxp::x11 {

// The items of `window`'s property `property`, at most `most` of them, when
// it is set with type `type` and 32-bit items; nothing otherwise. Xlib hands
// 32-bit items over as longs, whatever the size of a long.
std::optional<std::vector<long>> ReadProperty32(::Display* dpy, Window window, Atom property,
                                                Atom type, long most);

}  // namespace scriblane::linuxp::x11
