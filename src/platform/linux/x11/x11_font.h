// Fonts on X11: the text fonts, matched with the X server's defaults, and
// the Xft fonts the X painter opens from them.
#pragma once

#include "platform/linux/text/text_font.h"

struct _XDisplay;
struct _XftFont;

namespace scriblane::linuxp {

// On X a font is the text font, matched as Xft matches.
using X11Font = TextFont;

// Realises `font` with the display's defaults (X resources, the screen's
// subpixel order) as Xft adds them; true when it can draw.
bool RealizeFont(_XDisplay* dpy, X11Font& font);
// Closes the face, its fallback faces and their Xft fonts.
void CloseFont(_XDisplay* dpy, X11Font& font);

// The Xft font of a realised face (the chosen one or a fallback), opened
// from its pattern on first use; null when it cannot be.
_XftFont* XftFontFor(_XDisplay* dpy, TextFont& face);

}  // namespace scriblane::linuxp
