// Drawings on the compositor's own overlay layer (the wlr layer shell).
#include "platform/linux/overlay/layer_overlay.h"

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

#include "platform/linux/overlay/layer_placement.h"
#include "platform/linux/overlay/overlay_timings.h"
#include "platform/linux/overlay/wayland/native_placement.h"
#include "platform/linux/posix/time_left.h"
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
    std::string name;
    Rect logical{};  // in the compositor's layout, where xdg-output tells
};

struct Surface {
    std::uint64_t id = 0;
    const Output* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wl_buffer* buffer = nullptr;
    bool configured = false;
    bool shown = false;  // its buffer is committed
    bool closed = false;
    std::uint32_t serial = 0;
};

// A shared-memory buffer holding `picture` padded to `width` x `height`,
// with its own top-left corner at (padLeft, padTop); nullptr on failure.
wl_buffer* MakeBuffer(wl_shm* shm, const ArgbPicture& picture, std::int32_t width,
                      std::int32_t height, std::int32_t padLeft, std::int32_t padTop) {
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const std::size_t size = stride * static_cast<std::size_t>(height);
    const int fd = memfd_create("scriblane-drawing", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    wl_buffer* buffer = nullptr;
    if (ftruncate(fd, static_cast<off_t>(size)) == 0) {
        void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (memory != MAP_FAILED) {
            auto* pixels = static_cast<std::uint32_t*>(memory);  // zero: see-through
            for (std::int32_t y = 0; y < picture.height; ++y) {
                std::memcpy(pixels + static_cast<std::size_t>(y + padTop) * width + padLeft,
                            picture.pixels.data() + static_cast<std::size_t>(y) * picture.width,
                            static_cast<std::size_t>(picture.width) * 4);
            }
            munmap(memory, size);
            wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(size));
            buffer = wl_shm_pool_create_buffer(pool, 0, width, height,
                                               static_cast<std::int32_t>(stride),
                                               WL_SHM_FORMAT_ARGB8888);
            wl_shm_pool_destroy(pool);
        }
    }
    close(fd);
    return buffer;
}

}  // namespace

class LayerOverlays::Connection {
public:
    static std::unique_ptr<Connection> Open() {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        if (name == nullptr || *name == '\0') return nullptr;
        wl_display* display = wl_display_connect(nullptr);
        if (display == nullptr) return nullptr;
        auto connection = std::unique_ptr<Connection>(new Connection(display));
        if (!connection->Start()) return nullptr;
        return connection;
    }

    ~Connection() {
        for (const auto& s : surfaces_) Destroy(*s);
        if (prepared_) Destroy(*prepared_);
        for (const auto& o : outputs_) Destroy(*o);
        if (xdgOutputs_) zxdg_output_manager_v1_destroy(xdgOutputs_);
        // Bound at version 1, which has no destroy request.
        if (shell_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(shell_));
        if (shm_) wl_shm_destroy(shm_);
        if (compositor_) wl_compositor_destroy(compositor_);
        if (registry_) wl_registry_destroy(registry_);
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }

    bool Broken() const { return wl_display_get_error(display_) != 0; }
    int Fd() const { return wl_display_get_fd(display_); }

    std::uint64_t Show(const ArgbPicture& picture, std::int32_t x, std::int32_t y,
                       const OutputPlace& primary) {
        if (picture.width <= 0 || picture.height <= 0) return 0;
        if (!Pump(std::chrono::milliseconds::zero())) return 0;
        const Output* output = Match(primary);
        const auto place = PlaceOnLayer(
            x, y, picture.width, picture.height, primary.geometry,
            output ? std::optional<Rect>(output->logical) : std::nullopt, compositorVersion_ >= 3);
        if (!place) return 0;
        const std::int32_t scale = place->scale;
        const std::int32_t width = place->width;
        const std::int32_t height = place->height;

        std::unique_ptr<Surface> surface;
        if (prepared_ && prepared_->output == output) {
            surface = std::move(prepared_);
        } else {
            if (prepared_) Destroy(*prepared_);  // for an output that is not the one now
            surface = NewSurface(output);
        }
        prepared_.reset();
        surface->buffer = MakeBuffer(shm_, picture, width * scale, height * scale, place->padLeft,
                                     place->padTop);
        if (surface->buffer == nullptr) {
            Destroy(*surface);
            return 0;
        }
        Surface& s = *surface;
        surfaces_.push_back(std::move(surface));
        const auto deadline = Clock::now() + kCompositorAnswerWait;
        if (!WaitUntil([&] { return s.configured || s.closed; }, deadline) || s.closed) {
            Remove(s.id);
            return 0;
        }
        zwlr_layer_surface_v1_set_size(s.layer, static_cast<std::uint32_t>(width),
                                       static_cast<std::uint32_t>(height));
        zwlr_layer_surface_v1_set_margin(s.layer, place->marginTop, 0, 0, place->marginLeft);
        zwlr_layer_surface_v1_ack_configure(s.layer, s.serial);
        if (scale > 1) wl_surface_set_buffer_scale(s.surface, scale);
        wl_surface_attach(s.surface, s.buffer, 0, 0);
        if (compositorVersion_ >= 4) {
            wl_surface_damage_buffer(s.surface, 0, 0, width * scale, height * scale);
        } else {
            wl_surface_damage(s.surface, 0, 0, width, height);
        }
        wl_surface_commit(s.surface);
        s.shown = true;
        // Once the compositor has taken the commit, the drawing is shown.
        if (!Sync(deadline) || s.closed) {
            Remove(s.id);
            return 0;
        }
        return s.id;
    }

    // Gets a surface for the next picture ready, on the output matching
    // `primary`, while the picture is being drawn: the compositor's first
    // answer is then in when it comes.
    void Prepare(const OutputPlace& primary) {
        if (!prepared_ && Pump(std::chrono::milliseconds::zero())) {
            prepared_ = NewSurface(Match(primary));
        }
    }

    void Remove(std::uint64_t id) {
        const auto it = std::find_if(surfaces_.begin(), surfaces_.end(),
                                     [&](const auto& s) { return s->id == id; });
        if (it == surfaces_.end()) return;
        Destroy(**it);
        surfaces_.erase(it);
        wl_display_flush(display_);
    }

    bool StillShown(std::uint64_t id) {
        if (!Pump(std::chrono::milliseconds::zero())) return false;
        return std::any_of(surfaces_.begin(), surfaces_.end(),
                           [&](const auto& s) { return s->id == id && !s->closed; });
    }

private:
    explicit Connection(wl_display* display) : display_(display) {}

    bool Start() {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        const auto deadline = Clock::now() + kCompositorAnswerWait;
        if (!Sync(deadline) || !compositor_ || !shm_ || !shell_) return false;
        // The outputs' names and logical places; a second round for those
        // the first one bound.
        return Sync(deadline);
    }

    // A layer surface on `output` (nullptr: the compositor's choice), set up
    // and committed without a buffer; its size and place come with the
    // picture.
    std::unique_ptr<Surface> NewSurface(const Output* output) {
        auto surface = std::make_unique<Surface>();
        surface->id = nextId_++;
        surface->output = output;
        surface->surface = wl_compositor_create_surface(compositor_);
        surface->layer = zwlr_layer_shell_v1_get_layer_surface(
            shell_, surface->surface, output ? output->output : nullptr,
            ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "scriblane");
        zwlr_layer_surface_v1_add_listener(surface->layer, &kLayerListener, surface.get());
        zwlr_layer_surface_v1_set_size(surface->layer, 1, 1);
        zwlr_layer_surface_v1_set_anchor(surface->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
        // Placed against the whole output: nothing moves for it, nor it for
        // a panel.
        zwlr_layer_surface_v1_set_exclusive_zone(surface->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            surface->layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        // Clicks go to whatever lies beneath.
        wl_region* none = wl_compositor_create_region(compositor_);
        wl_surface_set_input_region(surface->surface, none);
        wl_region_destroy(none);
        wl_surface_commit(surface->surface);
        wl_display_flush(display_);
        return surface;
    }

    // The compositor's output that XWayland calls `primary`: by name, else
    // by geometry (also at a whole multiple: XWayland in the output's own
    // pixels), else the only one. nullptr lets the compositor choose.
    const Output* Match(const OutputPlace& primary) const {
        std::vector<native::OutputInfo> infos;
        for (const auto& o : outputs_) infos.push_back({o->name, o->logical, 1});
        if (const auto i = native::MatchPrimary(infos, primary)) return outputs_[*i].get();
        return outputs_.size() == 1 ? outputs_.front().get() : nullptr;
    }

    // Sends what is queued and handles what arrives within `wait`; false
    // once the connection is lost.
    bool Pump(std::chrono::milliseconds wait) {
        if (Broken()) return false;
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

    // Waits until the compositor has handled every request sent so far.
    bool Sync(Clock::time_point deadline) {
        bool done = false;
        wl_callback* callback = wl_display_sync(display_);
        wl_callback_add_listener(callback, &kCallbackListener, &done);
        const bool answered = WaitUntil([&] { return done; }, deadline);
        wl_callback_destroy(callback);
        return answered;
    }

    void Destroy(Surface& s) {
        if (s.layer) zwlr_layer_surface_v1_destroy(s.layer);
        if (s.surface) wl_surface_destroy(s.surface);
        if (s.buffer) wl_buffer_destroy(s.buffer);
        s.layer = nullptr;
        s.surface = nullptr;
        s.buffer = nullptr;
    }

    static void Destroy(Output& o) {
        if (o.xdg) zxdg_output_v1_destroy(o.xdg);
        wl_output_destroy(o.output);
    }

    void AddOutput(wl_output* output, std::uint32_t global) {
        auto o = std::make_unique<Output>();
        o->output = output;
        o->global = global;
        if (xdgOutputs_) {
            o->xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output);
            zxdg_output_v1_add_listener(o->xdg, &kXdgOutputListener, o.get());
        }
        outputs_.push_back(std::move(o));
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
        } else if (name == zxdg_output_manager_v1_interface.name && !self->xdgOutputs_) {
            // Version 2 tells the outputs' names.
            self->xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(
                bind(&zxdg_output_manager_v1_interface, 3));
            for (const auto& o : self->outputs_) {
                if (o->xdg) continue;
                o->xdg = zxdg_output_manager_v1_get_xdg_output(self->xdgOutputs_, o->output);
                zxdg_output_v1_add_listener(o->xdg, &kXdgOutputListener, o.get());
            }
        } else if (name == wl_output_interface.name) {
            self->AddOutput(static_cast<wl_output*>(bind(&wl_output_interface, 1)), global);
        }
    }

    static void GlobalRemove(void* data, wl_registry*, std::uint32_t global) {
        auto* self = static_cast<Connection*>(data);
        auto& outputs = self->outputs_;
        const auto it = std::find_if(outputs.begin(), outputs.end(),
                                     [&](const auto& o) { return o->global == global; });
        if (it == outputs.end()) return;
        if (self->prepared_ && self->prepared_->output == it->get()) {
            self->Destroy(*self->prepared_);
            self->prepared_.reset();
        }
        for (const auto& s : self->surfaces_) {
            if (s->output == it->get()) s->output = nullptr;
        }
        Destroy(**it);
        outputs.erase(it);
    }

    static constexpr wl_registry_listener kRegistryListener{Global, GlobalRemove};

    static void XdgPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        Rect& r = static_cast<Output*>(data)->logical;
        r = Rect{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    }
    static void XdgSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        Rect& r = static_cast<Output*>(data)->logical;
        r.right = r.left + width;
        r.bottom = r.top + height;
    }
    static void XdgDone(void*, zxdg_output_v1*) {}
    static void XdgName(void* data, zxdg_output_v1*, const char* name) {
        static_cast<Output*>(data)->name = name ? name : "";
    }
    static void XdgDescription(void*, zxdg_output_v1*, const char*) {}
    static constexpr zxdg_output_v1_listener kXdgOutputListener{XdgPosition, XdgSize, XdgDone,
                                                                XdgName, XdgDescription};

    static void Configure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t,
                          std::uint32_t) {
        auto* s = static_cast<Surface*>(data);
        s->serial = serial;
        s->configured = true;
        // Once shown, later ones (a changed layout) are taken as they come:
        // the size is ours. Before, Show acknowledges the last one.
        if (s->shown) zwlr_layer_surface_v1_ack_configure(s->layer, serial);
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
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    std::unique_ptr<Surface> prepared_;
    std::uint64_t nextId_ = 1;
};

LayerOverlays::LayerOverlays(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

LayerOverlays::~LayerOverlays() = default;

std::unique_ptr<LayerOverlays> LayerOverlays::Connect() {
    auto connection = Connection::Open();
    if (!connection) return nullptr;
    return std::unique_ptr<LayerOverlays>(new LayerOverlays(std::move(connection)));
}

std::uint64_t LayerOverlays::Show(const ArgbPicture& picture, std::int32_t x, std::int32_t y,
                                  const OutputPlace& primary) {
    if (!connection_ || connection_->Broken()) connection_ = Connection::Open();
    return connection_ ? connection_->Show(picture, x, y, primary) : 0;
}

void LayerOverlays::Prepare(const OutputPlace& primary) {
    if (connection_ && !connection_->Broken()) connection_->Prepare(primary);
}

void LayerOverlays::Remove(std::uint64_t id) {
    if (connection_) connection_->Remove(id);
}

int LayerOverlays::Fd() const { return connection_ ? connection_->Fd() : -1; }

bool LayerOverlays::StillShown(std::uint64_t id) {
    return connection_ && connection_->StillShown(id);
}

}  // namespace scriblane::linuxp
