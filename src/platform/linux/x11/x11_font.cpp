// Fonts on X11: the text fonts, matched with the X server's defaults, and
// the Xft fonts the X painter opens from them.
#include "platform/linux/x11/x11_font.h"

#include <X11/Xlib.h>
#include <X11/Xft/Xft.h>

namespace scriblane::linuxp {

namespace {

struct XftResource : FaceResource {
    ::Display* dpy = nullptr;
    XftFont* font = nullptr;
    ~XftResource() override {
        if (font) XftFontClose(dpy, font);
    }
};

}  // namespace

bool RealizeFont(::Display* dpy, X11Font& font) {
    if (!font.realized && !font.substitute) {
        font.substitute = [dpy](FcPattern* pattern) {
            XftDefaultSubstitute(dpy, DefaultScreen(dpy), pattern);
        };
    }
    return RealizeTextFont(font);
}

void CloseFont(::Display*, X11Font& font) { CloseTextFont(font); }

XftFont* XftFontFor(::Display* dpy, TextFont& face) {
    if (!face.xft) {
        auto opened = std::make_unique<XftResource>();
        opened->dpy = dpy;
        if (face.pattern) {
            FcPattern* pattern = FcPatternDuplicate(face.pattern);
            // Glyphs are drawn by index: Xft's table from characters to
            // glyphs, sized by the face's character set and cleared on
            // opening, is never looked at. An empty set keeps it empty.
            FcCharSet* none = pattern ? FcCharSetCreate() : nullptr;
            if (none) {
                FcPatternDel(pattern, FC_CHARSET);
                FcPatternAddCharSet(pattern, FC_CHARSET, none);
                FcCharSetDestroy(none);
            }
            opened->font = pattern ? XftFontOpenPattern(dpy, pattern) : nullptr;
            if (!opened->font && pattern) FcPatternDestroy(pattern);
        }
        face.xft = std::move(opened);
    }
    return static_cast<XftResource&>(*face.xft).font;
}

}  // namespace scriblane::linuxp
