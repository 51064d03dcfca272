// The window program's drawings on the compositor's overlay layer, kept on
// its own connection, each for its lifetime.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/overlay/overlay_picture.h"
#include "platform/linux/overlay/wayland/native_layer.h"
#include "platform/linux/overlay/wayland/native_shower.h"

namespace scriblane::linuxp {

class LayerDrawings : public NativeShower {
public:
    // `primary`, asked for each drawing, gives XWayland's primary output
    // where XWayland answers: drawings go on it; else (nothing, or no
    // function) the compositor chooses.
    using Primary = NativeLayer::PrimaryOutput;
    LayerDrawings(std::unique_ptr<NativeLayer> layer, Primary primary)
        : layer_(std::move(layer)), primary_(std::move(primary)) {}
    ~LayerDrawings() override;

    // Called once each drawing is on screen, so its expiry can be timed.
    void SetShown(std::function<void()> shown) { shown_ = std::move(shown); }

    std::optional<native::Target> NextTarget() override;
    // The window stays open: the next drawing's output is chosen anew.
    void OutputsMayHaveChanged() override { prepared_.reset(); }
    bool Show(const native::Placement& placement, const ArgbPicture& picture) override;
    void NotShown(const char* why) override;

    // Removes the drawings whose time is up; returns how many are left.
    std::size_t Expire(std::chrono::steady_clock::time_point now);
    std::optional<std::chrono::steady_clock::time_point> NextDeadline() const;

private:
    struct Drawing {
        std::uint64_t id;
        std::chrono::steady_clock::time_point deadline;
    };
    std::unique_ptr<NativeLayer> layer_;
    Primary primary_;
    std::optional<native::Target> prepared_;
    std::function<void()> shown_;
    std::vector<Drawing> drawings_;
};

}  // namespace scriblane::linuxp
