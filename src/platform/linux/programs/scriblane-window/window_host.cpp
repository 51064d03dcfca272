// scriblane-window put together: the X display for drawing (and, on a
// Wayland desktop that has one, the compositor's overlay layer), QSettings
// for the store, the Qt window and dialogs (which make their QApplication
// only when a window is needed).
#include "platform/linux/programs/hosts.h"

#include <QTimer>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/linux/overlay/layer_overlay.h"
#include "platform/linux/overlay/layer_picture.h"
#include "platform/linux/qt/qt_dialogs.h"
#include "platform/linux/qt/qt_form.h"
#include "platform/linux/settings/qsettings_store.h"
#include "platform/linux/x11/x11_display.h"
#include "platform/linux/x11/x11_screen_info.h"

namespace scriblane::linuxp {
namespace {

class WindowHost : public PlatformHost {
public:
    WindowHost(::Display* dpy, int argc, char** argv)
        : connection_(dpy),
          display_(dpy),
          // What was drawn must reach the server before the process ends.
          form_(ProgramArguments(argc, argv), [dpy] { XSync(dpy, False); }),
          platform_{display_, store_, form_, dialogs_} {
        form_.UseServerDpi(x11::XftDpiOf(dpy));
        // On XWayland each drawing is a layer surface or a window of ours
        // that goes when its time is up.
        if (IsXWayland(dpy)) layer_ = LayerOverlays::Connect();
        if (layer_) display_.drawings().SetLayer(layer_.get(), DrawOverlayPicture);
        display_.drawings().SetShown([this] { ArmOverlayTimer(); });
    }

    Platform& platform() override { return platform_; }
    int RunEventLoop() override { return form_.Exec(); }

private:
    void ArmOverlayTimer() {
        const auto next = display_.drawings().NextDeadline();
        if (!next) return;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
            *next - std::chrono::steady_clock::now());
        // A timer may fire a little early: whatever is still due re-arms it.
        QTimer::singleShot(std::max(wait, std::chrono::milliseconds{0}), Qt::PreciseTimer, [this] {
            if (display_.drawings().Expire(std::chrono::steady_clock::now()) > 0) ArmOverlayTimer();
        });
    }

    X11Connection connection_;  // first: closed last
    std::unique_ptr<LayerOverlays> layer_;  // the compositor's, where it has one
    X11Display display_;
    QtSettingsStore store_;
    QtForm form_;
    QtDialogs dialogs_;
    Platform platform_;
};

}  // namespace

std::unique_ptr<PlatformHost> CreateWindowHost(int argc, char** argv) {
    // The drawing and the window's placement speak X11, so Qt must too,
    // also in a Wayland session (there through XWayland); a user's own
    // choice stands.
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    StartEarlyWork();
    ::Display* dpy = OpenX11Display();
    if (!dpy) return nullptr;
    return std::make_unique<WindowHost>(dpy, argc, argv);
}

}  // namespace scriblane::linuxp
