/* The least a program can do to put one string on the root window with
   Xlib + Xft: the floor Scriblane's command-line mode is measured against. */
#include <X11/Xlib.h>
#include <X11/Xft/Xft.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    const char* text = argc > 1 ? argv[1] : "Hello";
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "floor: cannot open display\n");
        return 1;
    }
    int screen = DefaultScreen(dpy);
    Window root = RootWindow(dpy, screen);
    Visual* visual = DefaultVisual(dpy, screen);
    Colormap cmap = DefaultColormap(dpy, screen);
    XftFont* font = XftFontOpenName(dpy, screen, "arial:pixelsize=27");
    XftDraw* draw = XftDrawCreate(dpy, root, visual, cmap);
    if (!font || !draw) return 1;
    XftDrawSetSubwindowMode(draw, IncludeInferiors);
    XRenderColor fg = {0x0505, 0x5757, 0x9a9a, 0xffff};
    XRenderColor bg = {0xfefe, 0xf7f7, 0xebeb, 0xffff};
    XftColor fore, back;
    XftColorAllocValue(dpy, visual, cmap, &fg, &fore);
    XftColorAllocValue(dpy, visual, cmap, &bg, &back);
    XGlyphInfo extents;
    XftTextExtentsUtf8(dpy, font, (const FcChar8*)text, (int)strlen(text), &extents);
    int x = (DisplayWidth(dpy, screen) - extents.xOff) / 2;
    int y = (DisplayHeight(dpy, screen) - 400) / 2;
    XftDrawRect(draw, &back, x, y, extents.xOff, font->ascent + font->descent);
    XftDrawStringUtf8(draw, &fore, font, x, y + font->ascent, (const FcChar8*)text,
                      (int)strlen(text));
    XSync(dpy, False);
    return 0;
}
