// scriblane-native.so: command-line mode's drawing on the compositor's
// overlay layer, kept after the command returns by a fork of it.
#include "platform/linux/overlay/wayland/native_command_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <type_traits>

#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/overlay/wayland/native_layer.h"
#include "platform/linux/overlay/wayland/native_shower.h"
#include "platform/linux/overlay/wayland/wayland_display.h"

namespace scriblane::linuxp {

namespace {

// The child of a fork: no terminal, and none of the caller's descriptors
// but the compositor's connection, so no caller waits on a pipe for the
// drawing's lifetime.
void Detach(int keep) {
    setsid();
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fd == keep) continue;
        if (null >= 0) {
            dup2(null, fd);
        } else {
            close(fd);
        }
    }
    if (keep > 3) close_range(3, static_cast<unsigned>(keep) - 1, 0);
    close_range(static_cast<unsigned>(keep < 3 ? 3 : keep + 1), ~0U, 0);
}

// Shows each drawing on a surface of this process's connection and hands
// the connection to a fork that keeps it; the next drawing connects anew.
class KeptDrawings : public NativeShower {
public:
    KeptDrawings(std::unique_ptr<NativeLayer> layer, PrimaryOutputFunction primary,
                 AwaitFontsFunction awaitFonts)
        : layer_(std::move(layer)), primary_(primary), awaitFonts_(awaitFonts) {
        layer_->Begin(Primary());
    }

    std::optional<native::Target> NextTarget() override {
        if (!prepared_) {
            if (!layer_) layer_ = NativeLayer::Connect();
            if (layer_) prepared_ = layer_->Prepare(Primary());
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
        awaitFonts_();  // one thread to fork
        const pid_t child = fork();
        if (child == 0) {
            Detach(layer_->Fd());
            layer_->Keep(id, kOverlayLifetime);
            _exit(0);
        }
        if (child < 0) {
            // No process to keep it: this one does, and returns later.
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
    PrimaryOutputFunction primary_;
    AwaitFontsFunction awaitFonts_;
    std::optional<native::Target> prepared_;
    bool failed_ = false;
};

// The display whose first font waits for fontconfig's start-up.
class StartedDisplay : public WaylandDisplay {
public:
    StartedDisplay(NativeShower& shower, AwaitFontsFunction awaitFonts)
        : WaylandDisplay(shower), awaitFonts_(awaitFonts) {}

protected:
    bool RealizeFor(TextFont& font) override {
        awaitFonts_();
        return WaylandDisplay::RealizeFor(font);
    }

private:
    AwaitFontsFunction awaitFonts_;
};

class NativeCommandLineImpl : public NativeCommandLine {
public:
    NativeCommandLineImpl(std::unique_ptr<NativeLayer> layer, PrimaryOutputFunction primary,
                          AwaitFontsFunction awaitFonts)
        : drawings_(std::move(layer), primary, awaitFonts), display_(drawings_, awaitFonts) {}
    Display& display() override { return display_; }
    const bool& failed() const override { return drawings_.failed(); }

private:
    KeptDrawings drawings_;
    StartedDisplay display_;
};

}  // namespace

}  // namespace scriblane::linuxp

extern "C" __attribute__((visibility("default"))) scriblane::linuxp::NativeCommandLine*
scriblane_native_command_line(scriblane::linuxp::PrimaryOutputFunction primary,
                              scriblane::linuxp::AwaitFontsFunction awaitFonts) {
    using namespace scriblane::linuxp;
    static_assert(std::is_same_v<decltype(&scriblane_native_command_line), NativeCommandLineFunction>);
    auto layer = NativeLayer::Connect();
    if (!layer) return nullptr;
    return new NativeCommandLineImpl(std::move(layer), primary, awaitFonts);
}
