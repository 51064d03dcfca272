// Reading an X window property of 32-bit items (cardinals, atoms, windows, pixmaps).
#pragma once

#include <optional>
#include <vector>

struct _XDisplay;

namespace scriblane::linuxp {

// The first `most` items of `property` on `window` when it holds 32-bit
// items of `type`; nothing when it is missing, of another type or format.
// Xlib hands format-32 items over as longs, whatever a long's size.
std::optional<std::vector<long>> ReadProperty32(_XDisplay* dpy, unsigned long window,
                                                unsigned long property, unsigned long type,
                                                long most);

}  // namespace scriblane::linuxp
