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

}  // namespace
}  // namespace scriblane::linuxp

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const scriblane::testing::PrivateConfigHome config;
    if (!config.made()) return 1;
    return scriblane::testing::RunTestsOnPrivateXvfb(argc, argv);
}
