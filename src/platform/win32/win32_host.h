// The Win32 implementation of the platform boundary.
#pragma once

#include <memory>

#include "platform/host.h"

namespace scriblane {

std::unique_ptr<PlatformHost> CreateWin32Host();

}  // namespace scriblane
