// The host of the `scriblane` program itself. Command-line mode runs here
// with no toolkit linked in: loading Qt's libraries alone would cost more than
// the drawing. A plain settings file is read here; the settings store
// (QtCore) is a module loaded only for a file that needs it. Without an
// argument the window is wanted, and the full program (scriblane-window,
// Qt Widgets) takes over by exec before any of Qt is loaded.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <poll.h>
#include <sys/stat.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/end_process.h"
#include "platform/linux/form_model.h"
#include "platform/linux/ini_text.h"
#include "platform/linux/linux_host.h"
#include "platform/linux/x11_display.h"
#include "platform/linux/x11_overlay.h"
#include "settings/settings.h"
#include "window/layout.h"

namespace scriblane {
namespace {

std::string JoinArguments(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i] ? argv[i] : "";
    }
    return text;
}

// The window, hidden for good: the controls' state without widgets.
class HiddenForm : public FormRuntime {
public:
    // `notShown` is set when a drawing could not be shown: the status says so.
    HiddenForm(std::string command, ::Display* dpy, const bool& notShown)
        : command_(std::move(command)), dpy_(dpy), notShown_(notShown) {}

    void Load(const FormSpec& layout, FormEvents& events) override {
        spec_ = &layout;
        for (const ControlSpec& c : layout.controls) model_[c.id].text = c.text;
        events.OnLoad();
    }
    void Show() override { throw FormError("the window is not available in command-line mode"); }
    double Width() override { return spec_ ? spec_->clientWidth : 0; }
    double Height() override { return spec_ ? spec_->clientHeight : 0; }
    void Move(std::int32_t, std::int32_t) override {}
    void Unload() override {}
    Handle hWnd() override { return 0; }
    std::string GetText(Ctl c) override { return model_.GetText(c); }
    void SetText(Ctl c, const std::string& text) override { model_.SetText(c, text); }
    void AddItem(Ctl c, const std::string& item) override { model_.AddItem(c, item); }
    void SetListIndex(Ctl c, std::int32_t index) override { model_.SetListIndex(c, index); }
    ColorRef GetBackColor(Ctl c) override { return model_[c].backColor; }
    void SetBackColor(Ctl c, ColorRef color) override { model_[c].backColor = color; }
    void Refresh(Ctl) override {}
    std::int32_t ScreenFontCount() override { return static_cast<std::int32_t>(Fonts().size()); }
    std::string ScreenFont(std::int32_t index) override {
        return Fonts().at(static_cast<std::size_t>(index));
    }
    double TwipsPerPixelX() override { return 15.0; }
    double TwipsPerPixelY() override { return 15.0; }
    std::int32_t MsgBox(const std::string& prompt, std::int32_t) override {
        std::fprintf(stderr, "scriblane: %s\n", prompt.c_str());
        return 1;
    }
    Handle hInstance() override { return static_cast<Handle>(getpid()); }
    std::string Command() override { return command_; }
    void End(std::int32_t exitStatus) override {
        // What was drawn must reach the server before the process ends.
        XSync(dpy_, False);
        std::fflush(stdout);
        std::fflush(stderr);
        linuxp::EndProcessNow(exitStatus != 0 ? exitStatus : notShown_ ? 1 : 0);
    }

private:
    const std::vector<std::string>& Fonts() {
        if (!fontsListed_) {
            fonts_ = linuxp::ListScreenFonts();
            fontsListed_ = true;
        }
        return fonts_;
    }

    std::string command_;
    ::Display* dpy_;
    const bool& notShown_;
    const FormSpec* spec_ = nullptr;
    linuxp::FormModel model_;
    std::vector<std::string> fonts_;
    bool fontsListed_ = false;
};

// The window of a scriblane-overlay helper, which keeps it after we end.
class HelperHolder : public linuxp::OverlayHolder {
public:
    ~HelperHolder() override { Release(); }
    // Starts the helper, which makes the window while we work.
    void Prepare();
    unsigned long Acquire() override;
    void Release() override {
        if (toHelper_ >= 0) close(toHelper_);
        if (fromHelper_ >= 0) close(fromHelper_);
        toHelper_ = fromHelper_ = -1;
    }
    const bool& failed() const { return failed_; }

private:
    bool failed_ = false;
    int toHelper_ = -1;
    int fromHelper_ = -1;
};

class CommandLineHost : public PlatformHost {
public:
    CommandLineHost(::Display* dpy, std::string command, std::unique_ptr<SettingsStore> store,
                    std::unique_ptr<HelperHolder> holder)
        : connection_(dpy),
          holder_(std::move(holder)),
          display_(dpy), store_(std::move(store)),
          form_(std::move(command), dpy, holder_->failed()),
          platform_{display_, *store_, form_, dialogs_} {
        // This process ends at once; a drawing that must stay on a window
        // goes on one that a helper keeps.
        display_.SetOverlayHolder(holder_.get());
    }
    Platform& platform() override { return platform_; }
    int RunEventLoop() override { return 0; }

private:
    // Command-line mode never opens a dialog; asking for one is refused.
    class NoDialogs : public CommonDialogs {
    public:
        std::int32_t ChooseColorA(ChooseColorRecord&) override { return 0; }
        std::int32_t GetOpenFileNameA(OpenFileNameRecord&) override { return 0; }
        std::int32_t GetSaveFileNameA(OpenFileNameRecord&) override { return 0; }
    };

    linuxp::X11Connection connection_;  // first: closed last
    std::unique_ptr<HelperHolder> holder_;
    linuxp::X11Display display_;
    std::unique_ptr<SettingsStore> store_;
    HiddenForm form_;
    NoDialogs dialogs_;
    Platform platform_;
};

// A companion file of this program: beside it (build tree, or installed in
// one folder), else in ../libexec/scriblane/ (installed the usual way).
std::string Companion(const char* name, int mode) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.rfind('/') + 1);
    for (const std::string candidate :
         {dir + name, dir + "../libexec/scriblane/" + name}) {
        if (access(candidate.c_str(), mode) == 0) return candidate;
    }
    return {};
}

// The settings store module; nullptr after one line on stderr.
std::unique_ptr<SettingsStore> LoadSettingsStore() {
    const std::string path = Companion("scriblane-settings.so", R_OK);
    if (path.empty()) {
        std::fprintf(stderr, "scriblane: the settings module scriblane-settings.so is missing\n");
        return nullptr;
    }
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Create = SettingsStore* (*)();
    auto create = module ? reinterpret_cast<Create>(dlsym(module, "scriblane_create_settings_store"))
                         : nullptr;
    if (create == nullptr) {
        std::fprintf(stderr, "scriblane: cannot load %s: %s\n", path.c_str(), dlerror());
        return nullptr;
    }
    // The module stays loaded for the life of the process.
    return std::unique_ptr<SettingsStore>(create());
}

// The settings file's text when it is a regular file; nothing when it cannot
// be read. A missing file reads as empty. Opened without waiting, so that a
// FIFO in its place never holds the drawing up.
std::optional<std::string> ReadSettingsFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    struct stat st {};
    std::string text;
    bool whole = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[16384];
    while (whole) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) whole = false;
        else text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (!whole) return std::nullopt;
    return text;
}

// The settings of command-line mode. Loading QtCore (and the ICU behind it)
// costs more than the whole drawing, so a file in the plain form the store
// writes is read here; anything else, and any write, goes to the store
// module, which reads exactly as the window program does.
class CommandLineSettings : public SettingsStore {
public:
    // Nothing after one line on stderr when the module is needed and
    // cannot be loaded.
    static std::unique_ptr<SettingsStore> Open() {
        if (const auto path = linuxp::PlainSettingsFilePath(kAppName)) {
            if (const auto text = ReadSettingsFile(*path)) {
                if (auto values = linuxp::PlainIniValues(*text)) {
                    return std::make_unique<CommandLineSettings>(std::move(*values));
                }
            }
        }
        return LoadSettingsStore();
    }
    explicit CommandLineSettings(std::map<std::string, std::string> values)
        : values_(std::move(values)) {}

    std::string GetSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override {
        if (app == kAppName && linuxp::IsPlainIniName(section) &&
            linuxp::IsPlainIniName(key) && !IsGeneral(section)) {
            const auto found = values_.find(section + "/" + key);
            return found != values_.end() ? found->second : fallback;
        }
        return Module().GetSetting(app, section, key, fallback);
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        Module().SaveSetting(app, section, key, value);
    }

private:
    static bool IsGeneral(const std::string& section) {
        return section.size() == 7 && strncasecmp(section.c_str(), "general", 7) == 0;
    }
    SettingsStore& Module() {
        if (!module_) module_ = LoadSettingsStore();
        if (!module_) throw SettingsError("the settings module cannot be loaded");
        return *module_;
    }

    std::map<std::string, std::string> values_;
    std::unique_ptr<SettingsStore> module_;
};

// Starts scriblane-overlay detached (own session, so no terminal; none of
// our descriptors but two pipes on its stdin and stdout).
void HelperHolder::Prepare() {
    if (fromHelper_ >= 0) return;  // one is ready and its window unused
    const std::string helper = Companion("scriblane-overlay", X_OK);
    if (helper.empty()) return;
    int toHelper[2], fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0) return;
    if (pipe2(fromHelper, O_CLOEXEC) != 0) {
        close(toHelper[0]);
        close(toHelper[1]);
        return;
    }
    // Spawned, not forked: nothing of this process is copied. The helper
    // outlives us; init reaps it.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toHelper[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromHelper[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char* const args[] = {const_cast<char*>(helper.c_str()), nullptr};
    pid_t child = 0;
    const int failed = posix_spawn(&child, helper.c_str(), &actions, &attributes, args, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(toHelper[0]);
    close(fromHelper[1]);
    toHelper_ = toHelper[1];
    fromHelper_ = fromHelper[0];
    if (failed != 0) Release();
}

// The window the helper made, read with a bounded wait.
unsigned long HelperHolder::Acquire() {
    if (fromHelper_ < 0) Prepare();
    std::string line;
    pollfd fd{fromHelper_, POLLIN, 0};
    char buffer[32];
    while (fromHelper_ >= 0 && line.find('\n') == std::string::npos && poll(&fd, 1, 3000) > 0) {
        const ssize_t n = read(fromHelper_, buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    const unsigned long window = std::strtoul(line.c_str(), nullptr, 10);
    if (window == 0) {
        Release();
        failed_ = true;
        std::fprintf(stderr, "scriblane: the helper scriblane-overlay is missing or did not answer; "
                     "nothing is shown\n");
    }
    return window;
}

}  // namespace

std::unique_ptr<PlatformHost> CreateLinuxHost(int argc, char** argv) {
    std::string command = JoinArguments(argc, argv);
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
    ::Display* dpy = linuxp::OpenX11Display();
    if (!dpy) return nullptr;
    // On XWayland the helper starts now, while the settings and the font
    // are loaded, so the command returns about as soon as on plain X.
    auto holder = std::make_unique<HelperHolder>();
    if (linuxp::IsXWayland(dpy)) holder->Prepare();
    std::unique_ptr<SettingsStore> store = CommandLineSettings::Open();
    if (!store) {
        XCloseDisplay(dpy);
        return nullptr;
    }
    return std::make_unique<CommandLineHost>(dpy, std::move(command), std::move(store),
                                             std::move(holder));
}

}  // namespace scriblane
