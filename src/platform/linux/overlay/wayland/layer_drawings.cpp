// The window program's drawings on the compositor's overlay layer.
#include "platform/linux/overlay/wayland/layer_drawings.h"

#include <algorithm>
#include <cstdio>

#include "platform/linux/overlay/overlay_timings.h"

namespace scriblane::linuxp {

LayerDrawings::~LayerDrawings() {
    for (const Drawing& d : drawings_) layer_->Remove(d.id);
}

std::optional<native::Target> LayerDrawings::NextTarget() {
    if (!prepared_) prepared_ = layer_->Prepare(primary_);
    if (!prepared_) NotShown("the compositor gave the drawing no output");
    return prepared_;
}

bool LayerDrawings::Show(const native::Placement& placement, const ArgbPicture& picture) {
    prepared_.reset();  // the next drawing gets a surface of its own
    const std::uint64_t id = layer_->Show(placement, picture);
    if (id == 0) {
        NotShown("the compositor did not show the drawing");
        return false;
    }
    drawings_.push_back({id, std::chrono::steady_clock::now() + kOverlayLifetime});
    if (shown_) shown_();
    return true;
}

void LayerDrawings::NotShown(const char* why) {
    std::fprintf(stderr, "scriblane: %s; nothing is shown\n", why);
}

std::size_t LayerDrawings::Expire(std::chrono::steady_clock::time_point now) {
    const auto gone = std::remove_if(drawings_.begin(), drawings_.end(), [&](const Drawing& d) {
        if (d.deadline > now) return false;
        layer_->Remove(d.id);
        return true;
    });
    drawings_.erase(gone, drawings_.end());
    return drawings_.size();
}

std::optional<std::chrono::steady_clock::time_point> LayerDrawings::NextDeadline() const {
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const Drawing& d : drawings_) {
        if (!next || d.deadline < *next) next = d.deadline;
    }
    return next;
}

}  // namespace scriblane::linuxp
