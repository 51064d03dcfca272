// The host of the `scriblane` program itself. Command-line mode runs here
// with no toolkit linked in: loading Qt's libraries alone would cost more than
// the drawing. A plain settings file is read here; the settings store
// (QtCore) is a module loaded only for a file that needs it. Without an
// argument the window is wanted, and the full program (scriblane-window,
// Qt Widgets) takes over by exec before any of Qt is loaded.
#include <X11/Xlib.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/form/hidden_form.h"
#include "platform/linux/overlay/helper_client.h"
#include "platform/linux/overlay/wayland/native_command_line.h"
#include "platform/linux/overlay/x11_overlay.h"
#include "platform/linux/posix/companion.h"
#include "platform/linux/posix/module.h"
#include "platform/linux/posix/work_beside.h"
#include "platform/linux/programs/hosts.h"
#include "platform/linux/settings/command_line_settings.h"
#include "platform/linux/x11/x11_connection.h"
#include "platform/linux/x11/x11_display.h"
#include "platform/linux/x11/x11_outputs.h"

namespace scriblane::linuxp {
namespace {

// Command-line mode never opens a dialog; asking for one is refused.
class NoDialogs : public CommonDialogs {
public:
    std::int32_t ChooseColorA(ChooseColorRecord&) override { return 0; }
    std::int32_t GetOpenFileNameA(OpenFileNameRecord&) override { return 0; }
    std::int32_t GetSaveFileNameA(OpenFileNameRecord&) override { return 0; }
};

// Where the compositor has an overlay layer: no X server; the module paints
// the drawing and shows it itself.
class NativeCommandLineHost : public PlatformHost {
public:
    NativeCommandLineHost(std::string command, std::unique_ptr<SettingsStore> store,
                          std::unique_ptr<NativeCommandLine> native)
        : native_(std::move(native)),
          store_(std::move(store)),
          form_(std::move(command), [] {}, native_->failed()),
          platform_{native_->display(), *store_, form_, dialogs_} {}
    Platform& platform() override { return platform_; }
    int RunEventLoop() override { return 0; }

private:
    std::unique_ptr<NativeCommandLine> native_;
    std::unique_ptr<SettingsStore> store_;
    HiddenForm form_;
    NoDialogs dialogs_;
    Platform platform_;
};

// XWayland's primary output, where it answers: the output the drawing goes on.
std::optional<OutputPlace> XWaylandPrimary() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return std::nullopt;
    ::Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) return std::nullopt;
    auto primary = PrimaryOutput(x);
    XCloseDisplay(x);
    return primary;
}

// The compositor's overlay layer, where WAYLAND_DISPLAY names one that has
// it; its code is a module loaded only then. Loading it and the
// compositor's answers take place beside fontconfig's start-up (its
// configuration parsed, its caches read), most of the drawing's work
// before the painting; X's fonts need that done too.
std::unique_ptr<NativeCommandLine> OpenNativeCommandLine() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    NativeCommandLine* native = nullptr;
    WorkBeside connecting([&native] {
        const auto open = reinterpret_cast<NativeCommandLineFunction>(
            ModuleFunction(kNativeModule, kNativeModuleFunction,
                           "the module scriblane-native.so is missing; drawing through X"));
        if (open != nullptr) native = open(XWaylandPrimary);
    });
    FcInit();
    connecting.Wait();
    return std::unique_ptr<NativeCommandLine>(native);
}

class CommandLineHost : public PlatformHost {
public:
    CommandLineHost(::Display* dpy, std::string command, std::unique_ptr<SettingsStore> store,
                    std::unique_ptr<HelperHolder> holder)
        : connection_(dpy),
          holder_(std::move(holder)),
          display_(dpy), store_(std::move(store)),
          form_(std::move(command), [dpy] { XSync(dpy, False); }, holder_->failed()),
          platform_{display_, *store_, form_, dialogs_} {
        // This process ends at once; a drawing that must stay on a window
        // goes on one that a helper keeps.
        display_.drawings().SetHolder(holder_.get());
    }
    Platform& platform() override { return platform_; }
    int RunEventLoop() override { return 0; }

private:
    X11Connection connection_;  // first: closed last
    std::unique_ptr<HelperHolder> holder_;
    X11Display display_;
    std::unique_ptr<SettingsStore> store_;
    HiddenForm form_;
    NoDialogs dialogs_;
    Platform platform_;
};

}  // namespace

std::unique_ptr<PlatformHost> CreateCommandLineHost(int argc, char** argv) {
    std::string command = JoinArguments(ProgramArguments(argc, argv));
    if (command.empty()) {
        const std::string program = Companion("scriblane-window", X_OK);
        if (program.empty()) {
            std::fprintf(stderr, "scriblane: the window program scriblane-window is missing\n");
            return nullptr;
        }
        std::vector<char*> args(argv, argv + argc);
        args.push_back(nullptr);
        execv(program.c_str(), args.data());
        std::fprintf(stderr, "scriblane: cannot start %s: %s\n", program.c_str(),
                     std::strerror(errno));
        return nullptr;
    }
    if (auto native = OpenNativeCommandLine()) {
        // The surface is asked for already; the compositor answers while
        // the settings and the font are loaded.
        std::unique_ptr<SettingsStore> store = OpenCommandLineSettings();
        if (!store) return nullptr;
        return std::make_unique<NativeCommandLineHost>(std::move(command), std::move(store),
                                                       std::move(native));
    }
    ::Display* dpy = OpenX11Display();
    if (!dpy) return nullptr;
    // On XWayland the helper starts now, while the settings and the font
    // are loaded, so the command returns about as soon as on plain X.
    auto holder = std::make_unique<HelperHolder>();
    if (IsXWayland(dpy)) holder->Prepare();
    std::unique_ptr<SettingsStore> store = OpenCommandLineSettings();
    if (!store) {
        XCloseDisplay(dpy);
        return nullptr;
    }
    return std::make_unique<CommandLineHost>(dpy, std::move(command), std::move(store),
                                             std::move(holder));
}

}  // namespace scriblane::linuxp
