// scriblane-native.so: command-line mode's drawing on the compositor's
// overlay layer, kept after the command returns by the helper that holds
// its connection.
#include "platform/linux/overlay/wayland/native_command_line.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/linux/overlay/overlay_protocol.h"
#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/overlay/wayland/native_layer.h"
#include "platform/linux/overlay/wayland/native_shower.h"
#include "platform/linux/overlay/wayland/wayland_display.h"
#include "platform/linux/posix/companion.h"
#include "platform/linux/posix/spawn.h"

namespace scriblane::linuxp {

namespace protocol = overlay_protocol;

namespace {

// The helper that holds a connection, and the drawing on it, once this
// process has shown it: started with the connection (the first one beside
// fontconfig's start-up), so handing it over is one line once the drawing
// is shown.
class ConnectionKeeper {
public:
    ConnectionKeeper() = default;
    ~ConnectionKeeper() { Close(); }
    ConnectionKeeper(const ConnectionKeeper&) = delete;
    ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

    void Start(int connection) {
        Close();
        const std::string helper = Companion(protocol::kHelper, X_OK);
        if (helper.empty()) return;
        int ends[2];
        // A socket, not a pipe: a helper gone early is an error to send,
        // not a signal that ends this process.
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
        const auto started = Spawn({helper, protocol::kKeepConnection},
                                   SpawnOptions{.stdinFd = ends[1],
                                                .newSession = true,
                                                .extraFd = connection});
        close(ends[1]);
        if (started) {
            toHelper_ = ends[0];
        } else {
            close(ends[0]);
        }
    }

    // Tells the helper the drawing is shown; false when there is no helper
    // to hold it.
    bool Hand() {
        const auto& line = protocol::kShownLine;
        const bool handed =
            toHelper_ >= 0 && send(toHelper_, line.data(), line.size(), MSG_NOSIGNAL) ==
                                  static_cast<ssize_t>(line.size());
        Close();
        return handed;
    }

    void Close() {
        if (toHelper_ >= 0) close(toHelper_);
        toHelper_ = -1;
    }

private:
    int toHelper_ = -1;
};

// Shows each drawing on a surface of this process's connection and hands
// the connection to the helper that keeps it; the next drawing connects
// anew.
class KeptDrawings : public NativeShower {
public:
    KeptDrawings(std::unique_ptr<NativeLayer> layer, PrimaryOutputFunction primary)
        : layer_(std::move(layer)), primary_(primary) {
        layer_->Begin(Primary());
        keeper_.Start(layer_->Fd());
    }

    std::optional<native::Target> NextTarget() override {
        if (!prepared_) {
            if (!layer_) {
                layer_ = NativeLayer::Connect();
                if (layer_) keeper_.Start(layer_->Fd());
            }
            if (layer_) prepared_ = layer_->Prepare([this] { return Primary(); });
            if (!prepared_) NotShown("the compositor gave the drawing no output");
        }
        return prepared_;
    }

    void OutputsMayHaveChanged() override { prepared_.reset(); }

    bool Show(const native::Placement& placement, const ArgbPicture& picture) override {
        prepared_.reset();
        const std::uint64_t id = layer_ ? layer_->Show(placement, picture) : 0;
        if (id == 0) {
            NotShown("the compositor did not show the drawing");
            return false;
        }
        if (!keeper_.Hand()) {
            // No helper to keep it: this process does, and returns later.
            std::fprintf(stderr, "scriblane: the helper %s is missing or did not start; "
                                 "the drawing is kept until it goes\n", protocol::kHelper);
            layer_->Keep(id, kOverlayLifetime);
            layer_.reset();
            return true;
        }
        layer_->Abandon();
        layer_.reset();
        return true;
    }

    void NotShown(const char* why) override {
        failed_ = true;
        std::fprintf(stderr, "scriblane: %s; nothing is shown\n", why);
    }

    const bool& failed() const { return failed_; }

private:
    std::optional<OutputPlace> Primary() const {
        return primary_ != nullptr ? primary_() : std::nullopt;
    }

    std::unique_ptr<NativeLayer> layer_;
    ConnectionKeeper keeper_;
    PrimaryOutputFunction primary_;
    std::optional<native::Target> prepared_;
    bool failed_ = false;
};

class NativeCommandLineImpl : public NativeCommandLine {
public:
    NativeCommandLineImpl(std::unique_ptr<NativeLayer> layer, PrimaryOutputFunction primary)
        : drawings_(std::move(layer), primary), display_(drawings_) {}
    Display& display() override { return display_; }
    const bool& failed() const override { return drawings_.failed(); }

private:
    KeptDrawings drawings_;
    WaylandDisplay display_;
};

}  // namespace

}  // namespace scriblane::linuxp

extern "C" __attribute__((visibility("default"))) scriblane::linuxp::NativeCommandLine*
scriblane_native_command_line(scriblane::linuxp::PrimaryOutputFunction primary) {
    using namespace scriblane::linuxp;
    static_assert(std::is_same_v<decltype(&scriblane_native_command_line), NativeCommandLineFunction>);
    auto layer = NativeLayer::Connect();
    if (!layer) return nullptr;
    return new NativeCommandLineImpl(std::move(layer), primary);
}
