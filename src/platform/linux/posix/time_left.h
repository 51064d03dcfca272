// Bounded waits: what is left of one, as poll takes it.
#pragma once

#include <algorithm>
#include <chrono>

namespace scriblane::linuxp {

// Milliseconds left until `deadline`, rounded up, so that 0 means it has passed.
inline int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 24LL * 3600 * 1000));
}

}  // namespace scriblane::linuxp
