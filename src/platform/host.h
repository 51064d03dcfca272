// What the program entry needs of a platform beyond the core's operations.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace scriblane {

class PlatformHost {
public:
    virtual ~PlatformHost() = default;
    virtual Platform& platform() = 0;
    // Runs the window's events until the program ends; returns the exit status.
    virtual int RunEventLoop() = 0;
};

// The implementation for the platform being built. Returns nullptr after
// reporting why the platform cannot be used (for instance no display).
std::unique_ptr<PlatformHost> CreatePlatformHost(int argc, char** argv);

}  // namespace scriblane
