#pragma once

#include <memory>

#include "platform/host.h"

namespace scriblane {

// Opens the X display; nullptr (after one line on stderr) when it cannot.
std::unique_ptr<PlatformHost> CreateLinuxHost(int argc, char** argv);

}  // namespace scriblane
