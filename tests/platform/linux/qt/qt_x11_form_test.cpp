// The Qt window on a real X server (a private Xvfb, no window manager): the
// server has the window mapped before its controls and their fonts are made,
// so a window manager frames it meanwhile, and shows it in its own colour
// until the first paint.
// gtest and Qt before Xlib: Xlib's macros (None, Bool) clash with their names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChildEvent>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/linux/qt/qt_form.h"
#include "window/layout.h"
#include "private_config_home.h"
#include "xvfb_server.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace scriblane::linuxp {
namespace {

struct NoEvents : FormEvents {
    void OnLoad() override {}
    void OnClick(Ctl) override {}
    void OnUnload(std::int32_t&) override {}
};

// How a second client (a window manager, say) sees the window's map state,
// waited for up to `limit`: a request still queued in our process never
// reaches the server while we wait.
int MapStateSeen(::Display* other, unsigned long window, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    XWindowAttributes a{};
    while (true) {
        if (!XGetWindowAttributes(other, window, &a)) return -1;
        if (a.map_state == IsViewable || std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return a.map_state;
}

TEST(QtFormOnX11, TheServerHasTheWindowMappedBeforeItsControlsAreMade) {
    QtForm form({}, {});
    NoEvents events;
    form.Load(MainFormSpec(), events);
    form.Width();  // makes the (hidden) window, as placing it does
    QWidget* window = form.Window();
    ASSERT_NE(window, nullptr);
    const auto id = static_cast<unsigned long>(window->winId());

    ::Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    std::optional<int> atFirstControl;
    std::optional<unsigned long> pixelBeforePaint;
    struct FirstChild : QObject {
        std::function<void()> seen;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::ChildAdded && seen &&
                static_cast<QChildEvent*>(event)->child()->isWidgetType()) {
                seen();
                seen = nullptr;
            }
            return false;
        }
    } filter;
    filter.seen = [&] {
        atFirstControl = MapStateSeen(other, id, std::chrono::seconds(2));
        if (XImage* image = XGetImage(other, id, 1, 1, 1, 1, AllPlanes, ZPixmap)) {
            pixelBeforePaint = XGetPixel(image, 0, 0) & 0xFFFFFF;
            XDestroyImage(image);
        }
    };
    window->installEventFilter(&filter);
    form.Show();
    window->removeEventFilter(&filter);
    XCloseDisplay(other);

    ASSERT_TRUE(atFirstControl.has_value());
    EXPECT_EQ(*atFirstControl, IsViewable);
    // Xvfb's root is a black and white weave: not what shows through here.
    const QColor colour = window->palette().color(QPalette::Window);
    EXPECT_EQ(pixelBeforePaint, static_cast<unsigned long>(colour.rgb() & 0xFFFFFF));
    form.Unload();
}

// A property of `window` as its raw bytes and type, as a window manager
// reads it; empty when the window has none.
std::pair<std::string, Atom> Property(::Display* dpy, unsigned long window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, XInternAtom(dpy, name, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success) {
        return {};
    }
    const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
    std::string bytes(reinterpret_cast<const char*>(data), data ? count * unit : 0);
    if (data) XFree(data);
    return {bytes, type};
}

// The frame asked ahead is the window's only if the window manager sees the
// stand-in as it will see the window: every hint it decides a frame by.
TEST(QtFormOnX11, TheFrameStandInShowsTheWindowManagerWhatTheWindowWill) {
    QtForm form({}, {});
    NoEvents events;
    form.Load(MainFormSpec(), events);
    form.Width();
    const auto window = static_cast<unsigned long>(form.Window()->winId());
    ::Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    const unsigned long standIn = x11::MakeStandIn(dpy, QtForm::FrameLookOf(MainFormSpec()));
    ASSERT_NE(standIn, 0UL);
    XSync(dpy, False);
    for (const char* name : {"_MOTIF_WM_HINTS", "_NET_WM_WINDOW_TYPE", "WM_CLASS", "WM_NAME",
                             "_NET_WM_NAME", "WM_TRANSIENT_FOR", "_NET_WM_STATE"}) {
        EXPECT_EQ(Property(dpy, standIn, name), Property(dpy, window, name)) << name;
    }
    // Both fixed in size, which rules resizing and its handles out.
    for (const unsigned long w : {window, standIn}) {
        XSizeHints hints{};
        long given = 0;
        ASSERT_TRUE(XGetWMNormalHints(dpy, w, &hints, &given));
        EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
        EXPECT_EQ(hints.min_width, hints.max_width);
        EXPECT_EQ(hints.min_height, hints.max_height);
    }
    XDestroyWindow(dpy, standIn);
    XCloseDisplay(dpy);
    form.Unload();
}

}  // namespace
}  // namespace scriblane::linuxp

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const scriblane::testing::PrivateConfigHome config;
    if (!config.made()) return 1;
    return scriblane::testing::RunTestsOnPrivateXvfb(argc, argv);
}
