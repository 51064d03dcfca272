// The one place that picks the platform implementation: Win32, or on Linux
// the host of the program being built (the build defines which).
#include "platform/host.h"

#if defined(_WIN32)
#include "platform/win32/win32_host.h"
#else
#include "platform/linux/programs/hosts.h"
#endif

namespace scriblane {

std::unique_ptr<PlatformHost> CreatePlatformHost(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    return CreateWin32Host();
#elif defined(SCRIBLANE_WINDOW_PROGRAM)
    return linuxp::CreateWindowHost(argc, argv);
#else
    return linuxp::CreateCommandLineHost(argc, argv);
#endif
}

}  // namespace scriblane
