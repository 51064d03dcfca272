// The two Linux programs' hosts; each program links the one it runs. Both
// draw natively on the compositor's overlay layer wherever
// NativeLayer::Connect() reaches one, else through X.
#pragma once

#include <memory>

#include "platform/host.h"

namespace scriblane::linuxp {

// `scriblane`: command-line mode with no toolkit; without an argument it
// hands over (exec) to scriblane-window. nullptr after one line on stderr.
std::unique_ptr<PlatformHost> CreateCommandLineHost(int argc, char** argv);

// `scriblane-window`: the Qt window. nullptr (after one line on stderr) when
// neither the compositor's overlay layer nor the X display can be reached.
std::unique_ptr<PlatformHost> CreateWindowHost(int argc, char** argv);

}  // namespace scriblane::linuxp
