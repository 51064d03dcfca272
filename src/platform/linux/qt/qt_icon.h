// The program's 32 x 32 icon, drawn in code: no image decoding or plugin
// lookup at start-up. resources/linux/make_icon.py draws the same picture
// into the PNG that is installed for the desktop.
#pragma once

#include <QImage>

namespace scriblane::linuxp {

QImage ScriblaneIcon();

}  // namespace scriblane::linuxp
