// Drawings on the compositor's overlay layer (the wlr layer shell) painted
// by us, with no X server in between: the surface is placed on an output
// first, so the drawing is laid out on that output's logical size and
// painted at its scale.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/linux/overlay/overlay_picture.h"
#include "platform/linux/overlay/wayland/native_placement.h"

namespace scriblane::linuxp {

class NativeLayer {
public:
    // Connected to the compositor that WAYLAND_DISPLAY names; nullptr when
    // it is not set, cannot be reached within a few seconds, or offers no
    // layer shell (GNOME). Where this connects, drawings go natively: the
    // one test of that, for every program.
    static std::unique_ptr<NativeLayer> Connect();
    ~NativeLayer();

    // XWayland's primary output where one is known, else nothing.
    using PrimaryOutput = std::function<std::optional<OutputPlace>()>;

    // Gets a surface ready for the next drawing: on the output XWayland
    // calls `primary` where one is given and the compositor has it, else on
    // the output the compositor chooses for a surface naming none (its
    // focused one). That output's logical size and the scale to paint at;
    // nothing when the compositor gives the surface no output. `primary` is
    // asked only where no surface was asked for already (Begin).
    std::optional<native::Target> Prepare(const PrimaryOutput& primary);
    // Asks for that surface now, without waiting for the compositor's
    // answer, so the answer comes while the caller works; the next Prepare
    // takes it.
    void Begin(const std::optional<OutputPlace>& primary);

    // Shows `picture` (painted at the prepared target's scale, as large as
    // `placement` says) on the prepared surface. An id for Remove, or 0
    // when the compositor does not show it (closed, on no output).
    std::uint64_t Show(const native::Placement& placement, const ArgbPicture& picture);
    void Remove(std::uint64_t id);

    // For a process that keeps a drawing: the connection's descriptor to
    // wait on, and whether drawing `id` is still shown after reading what
    // arrived (false once the compositor closed it or dropped us).
    int Fd() const;
    bool StillShown(std::uint64_t id);
    // Keeps drawing `id` until `lifetime` has passed or it is no longer shown.
    void Keep(std::uint64_t id, std::chrono::steady_clock::duration lifetime);

    // Lets go of the connection without a word to the compositor: another
    // process (a fork of this one) holds it and what it shows.
    void Abandon();

    class Connection;

private:
    explicit NativeLayer(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> connection_;
};

}  // namespace scriblane::linuxp
