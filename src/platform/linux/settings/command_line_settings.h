// The settings of command-line mode: a plain file read here, anything else
// through the settings store module.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace scriblane::linuxp {

// The store for command-line mode; nullptr after one line on stderr when the
// settings module is needed and cannot be loaded.
std::unique_ptr<SettingsStore> OpenCommandLineSettings();

}  // namespace scriblane::linuxp
