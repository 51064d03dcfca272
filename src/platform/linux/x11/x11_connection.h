// The X connection: opening it, owning it, and what happens on protocol and I/O errors.
#pragma once

struct _XDisplay;

namespace scriblane::linuxp {

// One line on stderr saying which display could not be opened.
void ReportNoDisplay();
void InstallX11ErrorHandlers();
// Opens the X display with the error handlers installed; nullptr after
// ReportNoDisplay when no server can be reached.
_XDisplay* OpenX11Display();

// Owns the connection: declared before everything that uses it, it closes
// the connection after them.
class X11Connection {
public:
    explicit X11Connection(_XDisplay* dpy) : dpy_(dpy) {}
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

private:
    _XDisplay* dpy_;
};
// X protocol errors seen since start (they are recorded, never fatal).
unsigned long X11ErrorCount();

}  // namespace scriblane::linuxp
