// Drawings on the compositor's own overlay layer (the wlr layer shell), where
// it offers one (KWin, sway and other wlroots compositors): above every
// window, taking neither clicks nor the keyboard.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/linux/overlay/overlay_picture.h"

namespace scriblane::linuxp {

class LayerOverlays : public PictureLayer {
public:
    // Connected to the compositor that WAYLAND_DISPLAY names; nullptr when
    // it is not set, cannot be reached within a few seconds, or offers no
    // layer shell (GNOME).
    static std::unique_ptr<LayerOverlays> Connect();
    ~LayerOverlays() override;

    // A picture is shown at the same place as on the root, on the output
    // that matches XWayland's primary one by name, else by geometry. Where
    // XWayland's pixels are the output's own (its geometry a whole multiple
    // of the output's logical one) the buffer goes at that scale; otherwise
    // at scale 1, as XWayland's own windows are, so it is as sharp as they.
    // A lost connection is made anew for the next picture.
    std::uint64_t Show(const ArgbPicture& picture, std::int32_t x, std::int32_t y,
                       const OutputPlace& primary) override;
    void Remove(std::uint64_t id) override;

    // Gets the compositor's part of showing the next picture done ahead,
    // while it is drawn.
    void Prepare(const OutputPlace& primary);

    // For a process that keeps a picture: the connection's descriptor, to
    // wait on, and whether picture `id` is still shown, after reading what
    // arrived without waiting (false once the compositor closed it or
    // dropped the connection).
    int Fd() const;
    bool StillShown(std::uint64_t id);

    class Connection;

private:
    explicit LayerOverlays(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> connection_;
};

}  // namespace scriblane::linuxp
