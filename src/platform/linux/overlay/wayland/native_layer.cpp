// Drawings on the compositor's overlay layer, painted by us.
#include "platform/linux/overlay/wayland/native_layer.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/posix/time_left.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
// The generated header names an argument `namespace`, a C++ keyword.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace scriblane::linuxp {

namespace {

using Clock = std::chrono::steady_clock;

struct Output {
    wl_output* output = nullptr;
    std::uint32_t global = 0;
    zxdg_output_v1* xdg = nullptr;
    native::OutputInfo info;
};

struct Surface {
    std::uint64_t id = 0;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    wl_buffer* buffer = nullptr;
    bool configured = false;
    bool closed = false;
    bool shown = false;
    std::uint32_t serial = 0;
    std::optional<std::uint32_t> acked;  // a serial is acknowledged once only
    std::int32_t width = 0, height = 0;  // the last configure's
    std::optional<std::int32_t> preferred120;
    // Told once the surface was on an output: before that a compositor may
    // tell what it prefers for a surface on no output (KWin: 1).
    bool preferredOnOutput = false;
    std::vector<wl_output*> entered;
    native::Target target;
};

// A shared-memory buffer of `width` x `height` pixels, filled from `pixels`
// (nullptr: see-through); nullptr on failure.
wl_buffer* MakeBuffer(wl_shm* shm, std::int32_t width, std::int32_t height,
                      const std::uint32_t* pixels) {
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    const int fd = memfd_create("scriblane-drawing", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    wl_buffer* buffer = nullptr;
    if (ftruncate(fd, static_cast<off_t>(size)) == 0) {
        if (pixels != nullptr) {
            void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (memory == MAP_FAILED) {
                close(fd);
                return nullptr;
            }
            std::memcpy(memory, pixels, size);
            munmap(memory, size);
        }
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(size));
        buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4,
                                           WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
    }
    close(fd);
    return buffer;
}

}  // namespace

class NativeLayer::Connection {
public:
    static std::unique_ptr<Connection> Open() {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        if (name == nullptr || *name == '\0') return nullptr;
        // A name within XDG_RUNTIME_DIR with none set reaches no compositor;
        // libwayland would say so on stderr, where only our line belongs.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (*name != '/' && (runtime == nullptr || *runtime == '\0')) return nullptr;
        wl_display* display = wl_display_connect(nullptr);
        if (display == nullptr) return nullptr;
        auto connection = std::unique_ptr<Connection>(new Connection(display));
        if (!connection->Start()) return nullptr;
        return connection;
    }

    ~Connection() {
        if (abandoned_) {
            // Another process holds the connection: close our end only.
            wl_display_disconnect(display_);
            return;
        }
        for (const auto& s : surfaces_) Destroy(*s);
        if (asked_) Destroy(*asked_->surface);
        if (prepared_) Destroy(*prepared_);
        for (const auto& o : outputs_) Destroy(*o);
        if (xdgOutputs_) zxdg_output_manager_v1_destroy(xdgOutputs_);
        if (viewporter_) wp_viewporter_destroy(viewporter_);
        if (fractional_) wp_fractional_scale_manager_v1_destroy(fractional_);
        // Bound at version 1, which has no destroy request.
        if (shell_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(shell_));
        if (shm_) wl_shm_destroy(shm_);
        if (compositor_) wl_compositor_destroy(compositor_);
        if (registry_) wl_registry_destroy(registry_);
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }

    int Fd() const { return wl_display_get_fd(display_); }

    void Begin(const std::optional<OutputPlace>& primary) {
        if (asked_) return;
        if (prepared_) Destroy(*prepared_);
        prepared_.reset();
        if (!Pump(std::chrono::milliseconds::zero())) return;
        Asked asked;
        for (const auto& o : outputs_) asked.infos.push_back(o->info);
        if (primary) asked.chosen = native::MatchPrimary(asked.infos, *primary);
        asked.surface = NewSurface(asked.chosen ? outputs_[*asked.chosen]->output : nullptr);
        asked_ = std::move(asked);
    }

    std::optional<native::Target> Prepare(const NativeLayer::PrimaryOutput& primary) {
        if (!asked_) Begin(primary ? primary() : std::nullopt);
        if (!asked_) return std::nullopt;
        Asked asked = std::move(*asked_);
        asked_.reset();
        const std::vector<native::OutputInfo>& infos = asked.infos;
        const std::optional<std::size_t>& chosen = asked.chosen;
        std::unique_ptr<Surface> s = std::move(asked.surface);
        const auto deadline = Clock::now() + kCompositorAnswerWait;
        if (!WaitUntil([&] { return s->configured || s->closed; }, deadline) || s->closed ||
            s->width <= 0 || s->height <= 0) {
            Destroy(*s);
            return std::nullopt;
        }
        // Which output the compositor chose matters only for its scale:
        // its size is the configure's. Where outputs of that size differ
        // in scale, the surface is shown see-through until it says which
        // one it is on.
        std::int32_t scale = 1;
        if (chosen) {
            scale = infos[*chosen].scale;
        } else {
            const auto sized = native::OutputsOfSize(infos, s->width, s->height);
            const bool alike = !sized.empty() && std::all_of(sized.begin(), sized.end(), [&](auto i) {
                return infos[i].scale == infos[sized.front()].scale;
            });
            if (alike) {
                scale = infos[sized.front()].scale;
            } else if (const Output* on = ShowSeeThrough(*s, deadline)) {
                scale = on->info.scale;
            } else {
                Destroy(*s);
                return std::nullopt;
            }
        }
        // A scaled output (a fractional scale shows as the next whole one)
        // may prefer a fraction, told only once the surface is on it.
        if (fractional_ && viewporter_ && scale > 1 && !s->preferredOnOutput) {
            AwaitPreferredScale(*s, std::min(deadline, Clock::now() + kPreferredScaleWait));
            if (!s->preferredOnOutput) s->preferred120.reset();
        }
        s->target = native::Target{s->width, s->height,
                                   native::ChooseScale120(s->preferred120, viewporter_ != nullptr,
                                                          scale)};
        prepared_ = std::move(s);
        return prepared_->target;
    }

    std::uint64_t Show(const native::Placement& p, const ArgbPicture& picture) {
        if (!prepared_ || picture.width != p.bufferWidth || picture.height != p.bufferHeight ||
            picture.pixels.size() !=
                static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
            return 0;
        }
        if (p.bufferScale == 0 && !prepared_->viewport) return 0;
        std::unique_ptr<Surface> owned = std::move(prepared_);
        Surface& s = *owned;
        surfaces_.push_back(std::move(owned));
        if (s.buffer) wl_buffer_destroy(s.buffer);
        s.buffer = MakeBuffer(shm_, p.bufferWidth, p.bufferHeight, picture.pixels.data());
        if (s.buffer == nullptr) {
            Remove(s.id);
            return 0;
        }
        const std::int32_t width = p.surface.right - p.surface.left;
        const std::int32_t height = p.surface.bottom - p.surface.top;
        zwlr_layer_surface_v1_set_anchor(
            s.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
        zwlr_layer_surface_v1_set_size(s.layer, static_cast<std::uint32_t>(width),
                                       static_cast<std::uint32_t>(height));
        zwlr_layer_surface_v1_set_margin(s.layer, p.surface.top, 0, 0, p.surface.left);
        Acknowledge(s);
        if (p.bufferScale > 0) {
            wl_surface_set_buffer_scale(s.surface, p.bufferScale);
            // A see-through look at the output may have set one.
            if (s.viewport) wp_viewport_set_destination(s.viewport, -1, -1);
        } else {
            wp_viewport_set_destination(s.viewport, width, height);
        }
        wl_surface_attach(s.surface, s.buffer, 0, 0);
        if (compositorVersion_ >= 4) {
            wl_surface_damage_buffer(s.surface, 0, 0, p.bufferWidth, p.bufferHeight);
        } else {
            wl_surface_damage(s.surface, 0, 0, width, height);
        }
        wl_surface_commit(s.surface);
        s.shown = true;
        // Shown once the compositor has taken the commit (one it refuses
        // ends the connection), put the surface on an output (it may be
        // there already, see-through) and not closed it.
        const auto deadline = Clock::now() + kCompositorAnswerWait;
        if (!Sync(deadline) ||
            !WaitUntil([&] { return !s.entered.empty() || s.closed; }, deadline) || s.closed) {
            Remove(s.id);
            return 0;
        }
        return s.id;
    }

    void Remove(std::uint64_t id) {
        const auto it = std::find_if(surfaces_.begin(), surfaces_.end(),
                                     [&](const auto& s) { return s->id == id; });
        if (it == surfaces_.end()) return;
        Destroy(**it);
        surfaces_.erase(it);
        wl_display_flush(display_);
    }

    void Abandon() { abandoned_ = true; }

    bool StillShown(std::uint64_t id) {
        if (!Pump(std::chrono::milliseconds::zero())) return false;
        return std::any_of(surfaces_.begin(), surfaces_.end(),
                           [&](const auto& s) { return s->id == id && !s->closed; });
    }

private:
    // A surface asked for, with the outputs as they were then.
    struct Asked {
        std::vector<native::OutputInfo> infos;
        std::optional<std::size_t> chosen;
        std::unique_ptr<Surface> surface;
    };

    explicit Connection(wl_display* display) : display_(display) {}

    bool Start() {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        const auto deadline = Clock::now() + kCompositorAnswerWait;
        if (!Sync(deadline) || !compositor_ || !shm_ || !shell_) return false;
        // The outputs' names, places and scales; a second round for those
        // the first one bound.
        return Sync(deadline);
    }

    // A layer surface spanning the whole of `output` (nullptr: the
    // compositor's choice), committed without a buffer: the configure
    // tells the output's logical size.
    std::unique_ptr<Surface> NewSurface(wl_output* output) {
        auto s = std::make_unique<Surface>();
        s->id = nextId_++;
        s->surface = wl_compositor_create_surface(compositor_);
        wl_surface_add_listener(s->surface, &kSurfaceListener, s.get());
        if (viewporter_) s->viewport = wp_viewporter_get_viewport(viewporter_, s->surface);
        if (fractional_) {
            s->fractional = wp_fractional_scale_manager_v1_get_fractional_scale(fractional_,
                                                                                s->surface);
            wp_fractional_scale_v1_add_listener(s->fractional, &kFractionalListener, s.get());
        }
        s->layer = zwlr_layer_shell_v1_get_layer_surface(
            shell_, s->surface, output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "scriblane");
        zwlr_layer_surface_v1_add_listener(s->layer, &kLayerListener, s.get());
        zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
        zwlr_layer_surface_v1_set_anchor(
            s->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Placed against the whole output: nothing moves for it, nor it for
        // a panel.
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            s->layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        // Clicks go to whatever lies beneath.
        wl_region* none = wl_compositor_create_region(compositor_);
        wl_surface_set_input_region(s->surface, none);
        wl_region_destroy(none);
        wl_surface_commit(s->surface);
        wl_display_flush(display_);
        return s;
    }

    // Maps `s` with a see-through buffer until the compositor says which
    // output it is on; that output, or nullptr.
    // Shows the configured surface with nothing to see, so the compositor
    // puts it on its output; false when no buffer could be made.
    bool PutSeeThrough(Surface& s) {
        const std::int32_t width = s.viewport ? 1 : s.width;
        const std::int32_t height = s.viewport ? 1 : s.height;
        s.buffer = MakeBuffer(shm_, width, height, nullptr);
        if (s.buffer == nullptr) return false;
        Acknowledge(s);
        if (s.viewport) wp_viewport_set_destination(s.viewport, s.width, s.height);
        wl_surface_attach(s.surface, s.buffer, 0, 0);
        wl_surface_commit(s.surface);
        return true;
    }

    const Output* ShowSeeThrough(Surface& s, Clock::time_point deadline) {
        if (!PutSeeThrough(s)) return nullptr;
        if (!WaitUntil([&] { return !s.entered.empty() || s.closed; }, deadline) || s.closed) {
            return nullptr;
        }
        for (const auto& o : outputs_) {
            if (o->output == s.entered.front()) return o.get();
        }
        return nullptr;
    }

    // Puts the surface, see-through, on its output (unless it is there)
    // and waits until `deadline` for the scale the compositor prefers there.
    void AwaitPreferredScale(Surface& s, Clock::time_point deadline) {
        if (s.buffer == nullptr && !PutSeeThrough(s)) return;
        WaitUntil([&] { return s.preferredOnOutput || s.closed; }, deadline);
    }

    // Sends what is queued and handles what arrives within `wait`; false
    // once the connection is lost.
    bool Pump(std::chrono::milliseconds wait) {
        if (wl_display_get_error(display_) != 0) return false;
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) return false;
        }
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display_);
            return false;
        }
        pollfd p{Fd(), POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(wait.count()));
        if (ready > 0) {
            if (wl_display_read_events(display_) < 0) return false;
        } else {
            wl_display_cancel_read(display_);
            if (ready < 0 && errno != EINTR) return false;
        }
        return wl_display_dispatch_pending(display_) >= 0;
    }

    bool WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
        while (!done()) {
            const int left = MillisecondsLeft(deadline);
            if (left == 0 || !Pump(std::chrono::milliseconds(left))) return false;
        }
        return true;
    }

    bool Sync(Clock::time_point deadline) {
        bool done = false;
        wl_callback* callback = wl_display_sync(display_);
        wl_callback_add_listener(callback, &kCallbackListener, &done);
        const bool answered = WaitUntil([&] { return done; }, deadline);
        wl_callback_destroy(callback);
        return answered;
    }

    static void Destroy(Surface& s) {
        if (s.fractional) wp_fractional_scale_v1_destroy(s.fractional);
        if (s.viewport) wp_viewport_destroy(s.viewport);
        if (s.layer) zwlr_layer_surface_v1_destroy(s.layer);
        if (s.surface) wl_surface_destroy(s.surface);
        if (s.buffer) wl_buffer_destroy(s.buffer);
        s = Surface{};
    }

    static void Destroy(Output& o) {
        if (o.xdg) zxdg_output_v1_destroy(o.xdg);
        wl_output_destroy(o.output);
    }

    void Describe(Output& o) {
        o.xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, o.output);
        zxdg_output_v1_add_listener(o.xdg, &kXdgOutputListener, &o.info);
    }

    static void Global(void* data, wl_registry* registry, std::uint32_t global,
                       const char* interface, std::uint32_t version) {
        auto* self = static_cast<Connection*>(data);
        const std::string_view name(interface);
        auto bind = [&](const wl_interface* type, std::uint32_t most) {
            return wl_registry_bind(registry, global, type, std::min(version, most));
        };
        if (name == wl_compositor_interface.name && !self->compositor_) {
            self->compositorVersion_ = std::min(version, 4U);
            self->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
        } else if (name == wl_shm_interface.name && !self->shm_) {
            self->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
        } else if (name == zwlr_layer_shell_v1_interface.name && !self->shell_) {
            self->shell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
        } else if (name == wp_viewporter_interface.name && !self->viewporter_) {
            self->viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
        } else if (name == wp_fractional_scale_manager_v1_interface.name && !self->fractional_) {
            self->fractional_ = static_cast<wp_fractional_scale_manager_v1*>(
                bind(&wp_fractional_scale_manager_v1_interface, 1));
        } else if (name == zxdg_output_manager_v1_interface.name && !self->xdgOutputs_) {
            // Version 2 tells the outputs' names.
            self->xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(
                bind(&zxdg_output_manager_v1_interface, 3));
            for (const auto& o : self->outputs_) {
                if (!o->xdg) self->Describe(*o);
            }
        } else if (name == wl_output_interface.name) {
            auto o = std::make_unique<Output>();
            // Version 2 tells the scale.
            o->output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
            o->global = global;
            wl_output_add_listener(o->output, &kOutputListener, &o->info);
            if (self->xdgOutputs_) self->Describe(*o);
            self->outputs_.push_back(std::move(o));
        }
    }

    static void GlobalRemove(void* data, wl_registry*, std::uint32_t global) {
        auto* self = static_cast<Connection*>(data);
        auto& outputs = self->outputs_;
        const auto it = std::find_if(outputs.begin(), outputs.end(),
                                     [&](const auto& o) { return o->global == global; });
        if (it == outputs.end()) return;
        Destroy(**it);
        outputs.erase(it);
    }
    static constexpr wl_registry_listener kRegistryListener{Global, GlobalRemove};

    static void OutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t, std::int32_t, const char*, const char*,
                               std::int32_t) {}
    static void OutputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t,
                           std::int32_t) {}
    static void OutputDone(void*, wl_output*) {}
    static void OutputScale(void* data, wl_output*, std::int32_t factor) {
        static_cast<native::OutputInfo*>(data)->scale = factor;
    }
    static constexpr wl_output_listener kOutputListener{OutputGeometry, OutputMode, OutputDone,
                                                        OutputScale};

    static void XdgPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        Rect& r = static_cast<native::OutputInfo*>(data)->logical;
        r = Rect{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    }
    static void XdgSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        Rect& r = static_cast<native::OutputInfo*>(data)->logical;
        r.right = r.left + width;
        r.bottom = r.top + height;
    }
    static void XdgDone(void*, zxdg_output_v1*) {}
    static void XdgName(void* data, zxdg_output_v1*, const char* name) {
        static_cast<native::OutputInfo*>(data)->name = name ? name : "";
    }
    static void XdgDescription(void*, zxdg_output_v1*, const char*) {}
    static constexpr zxdg_output_v1_listener kXdgOutputListener{XdgPosition, XdgSize, XdgDone,
                                                                XdgName, XdgDescription};

    static void Enter(void* data, wl_surface*, wl_output* output) {
        static_cast<Surface*>(data)->entered.push_back(output);
    }
    static void Leave(void* data, wl_surface*, wl_output* output) {
        auto& entered = static_cast<Surface*>(data)->entered;
        entered.erase(std::remove(entered.begin(), entered.end(), output), entered.end());
    }
    static constexpr wl_surface_listener kSurfaceListener{Enter, Leave};

    static void PreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        auto* s = static_cast<Surface*>(data);
        s->preferred120 = static_cast<std::int32_t>(scale);
        s->preferredOnOutput = !s->entered.empty();
    }
    static constexpr wp_fractional_scale_v1_listener kFractionalListener{PreferredScale};

    // Acknowledges the surface's last configure unless that was done:
    // a compositor may end the connection over a serial acknowledged twice.
    static void Acknowledge(Surface& s) {
        if (s.acked == s.serial) return;
        zwlr_layer_surface_v1_ack_configure(s.layer, s.serial);
        s.acked = s.serial;
    }

    static void Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                          std::uint32_t width, std::uint32_t height) {
        auto* s = static_cast<Surface*>(data);
        s->serial = serial;
        s->configured = true;
        // The first tells the output's size; once shown, the size is ours
        // and later ones (a changed layout) are taken as they come.
        if (s->shown) {
            Acknowledge(*s);
        } else {
            s->width = static_cast<std::int32_t>(width);
            s->height = static_cast<std::int32_t>(height);
        }
    }
    static void Closed(void* data, zwlr_layer_surface_v1*) { static_cast<Surface*>(data)->closed = true; }
    static constexpr zwlr_layer_surface_v1_listener kLayerListener{Configure, Closed};

    static void CallbackDone(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }
    static constexpr wl_callback_listener kCallbackListener{CallbackDone};

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    std::uint32_t compositorVersion_ = 0;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* shell_ = nullptr;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractional_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    std::unique_ptr<Surface> prepared_;
    std::optional<Asked> asked_;
    bool abandoned_ = false;
    std::uint64_t nextId_ = 1;
};

NativeLayer::NativeLayer(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

NativeLayer::~NativeLayer() = default;

std::unique_ptr<NativeLayer> NativeLayer::Connect() {
    auto connection = Connection::Open();
    if (!connection) return nullptr;
    return std::unique_ptr<NativeLayer>(new NativeLayer(std::move(connection)));
}

std::optional<native::Target> NativeLayer::Prepare(const PrimaryOutput& primary) {
    return connection_->Prepare(primary);
}

std::uint64_t NativeLayer::Show(const native::Placement& placement, const ArgbPicture& picture) {
    return connection_->Show(placement, picture);
}

void NativeLayer::Begin(const std::optional<OutputPlace>& primary) { connection_->Begin(primary); }

void NativeLayer::Remove(std::uint64_t id) { connection_->Remove(id); }

void NativeLayer::Abandon() { connection_->Abandon(); }

void NativeLayer::Keep(std::uint64_t id, std::chrono::steady_clock::duration lifetime) {
    const auto deadline = Clock::now() + lifetime;
    while (MillisecondsLeft(deadline) > 0 && StillShown(id)) {
        pollfd wayland{Fd(), POLLIN, 0};
        poll(&wayland, 1, MillisecondsLeft(deadline));
    }
}

int NativeLayer::Fd() const { return connection_->Fd(); }

bool NativeLayer::StillShown(std::uint64_t id) { return connection_->StillShown(id); }

}  // namespace scriblane::linuxp
