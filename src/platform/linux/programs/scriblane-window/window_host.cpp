// scriblane-window put together: drawings painted for the compositor's
// overlay layer where it has one, else the X display for drawing; QSettings
// for the store, the Qt window and dialogs (which make their QApplication
// only when a window is needed).
#include "platform/linux/programs/hosts.h"

#include <QTimer>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/linux/overlay/wayland/layer_drawings.h"
#include "platform/linux/posix/work_beside.h"
#include "platform/linux/overlay/wayland/wayland_display.h"
#include "platform/linux/qt/qt_dialogs.h"
#include "platform/linux/qt/qt_form.h"
#include "platform/linux/settings/qsettings_store.h"
#include "platform/linux/x11/x11_display.h"
#include "platform/linux/x11/x11_screen_info.h"
#include "platform/linux/x11/x11_outputs.h"

namespace scriblane::linuxp {
namespace {

// Removes `drawings` as their time comes up, on Qt's timers.
template <typename Drawings>
void ArmExpiry(Drawings& drawings) {
    const auto next = drawings.NextDeadline();
    if (!next) return;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(*next - std::chrono::steady_clock::now());
    // A timer may fire a little early: whatever is still due re-arms it.
    QTimer::singleShot(std::max(wait, std::chrono::milliseconds{0}), Qt::PreciseTimer, [&drawings] {
        if (drawings.Expire(std::chrono::steady_clock::now()) > 0) ArmExpiry(drawings);
    });
}

// Where the compositor has an overlay layer: our own connection keeps
// each drawing there for its lifetime.
class NativeWindowHost : public PlatformHost {
public:
    // `x`: a connection to XWayland, which names the output, or nullptr.
    NativeWindowHost(std::unique_ptr<NativeLayer> layer, ::Display* x, int argc, char** argv)
        : x_(x),
          drawings_(std::move(layer),
                    [x]() -> std::optional<OutputPlace> {
                        if (x == nullptr) return std::nullopt;
                        return PrimaryOutput(x);
                    }),
          display_(drawings_),
          form_(ProgramArguments(argc, argv), [] {}),
          platform_{display_, store_, form_, dialogs_} {
        drawings_.SetShown([this] { ArmExpiry(drawings_); });
    }

    Platform& platform() override { return platform_; }
    int RunEventLoop() override { return form_.Exec(); }

private:
    struct XConnection {
        ::Display* dpy;
        ~XConnection() {
            if (dpy) XCloseDisplay(dpy);
        }
    } x_;  // first: closed last
    LayerDrawings drawings_;
    WaylandDisplay display_;
    QtSettingsStore store_;
    QtForm form_;
    QtDialogs dialogs_;
    Platform platform_;
};

class WindowHost : public PlatformHost {
public:
    WindowHost(::Display* dpy, int argc, char** argv)
        : connection_(dpy),
          display_(dpy),
          // What was drawn must reach the server before the process ends.
          form_(ProgramArguments(argc, argv), [dpy] { XSync(dpy, False); }),
          platform_{display_, store_, form_, dialogs_} {
        form_.UseServerDpi(x11::XftDpiOf(dpy));
        // On XWayland each drawing is a window of ours that goes when its
        // time is up.
        display_.drawings().SetShown([this] { ArmExpiry(display_.drawings()); });
        if (!form_.Command().empty()) return;
        // The window is coming: while Qt gets ready here, the server answers
        // on our own connection what the window's start-up will ask it, and
        // the window manager tells the frame it will put around the window.
        // On another CPU from the start, the short server grab of the colour
        // read is over before Qt's own connection is made, rather than
        // holding it up. (The look reads the environment: here, before Qt
        // may change it.)
        WorkBeside ahead([this, dpy, look = QtForm::FrameLookOf(MainFormSpec())] {
            try {
                display_.ReadAhead();
                frame_.Start(dpy, look);
            } catch (...) {
                // Then it is asked when needed.
            }
        });
        form_.UseFrameAskedAhead(
            [this](std::chrono::milliseconds limit) { return frame_.Answer(limit); });
        QtForm::EnsureApplication();
    }

    Platform& platform() override { return platform_; }
    int RunEventLoop() override { return form_.Exec(); }

private:
    X11Connection connection_;  // first: closed last
    x11::FrameProbe frame_;
    X11Display display_;
    QtSettingsStore store_;
    QtForm form_;
    QtDialogs dialogs_;
    Platform platform_;
};

}  // namespace

std::unique_ptr<PlatformHost> CreateWindowHost(int argc, char** argv) {
    if (auto layer = NativeLayer::Connect()) {
        // XWayland, where it answers, names the output and keeps the
        // window's placement in X terms; without it the window is Qt's on
        // Wayland itself.
        ::Display* x = XOpenDisplay(nullptr);
        setenv("QT_QPA_PLATFORM", x ? "xcb" : "wayland", 0);
        PrepareQtEnvironment();
        return std::make_unique<NativeWindowHost>(std::move(layer), x, argc, argv);
    }
    // The drawing and the window's placement speak X11, so Qt must too,
    // also in a Wayland session (there through XWayland); a user's own
    // choice stands.
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    PrepareQtEnvironment();
    // Our connection is used from a second thread while Qt starts (see
    // WindowHost), so Xlib must lock it.
    XInitThreads();
    ::Display* dpy = OpenX11Display();
    if (!dpy) return nullptr;
    return std::make_unique<WindowHost>(dpy, argc, argv);
}

}  // namespace scriblane::linuxp
