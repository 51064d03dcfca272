// The one place that picks the platform implementation.
#include "platform/host.h"

#if defined(_WIN32)
#include "platform/win32/win32_host.h"
#else
#include "platform/linux/linux_host.h"
#endif

namespace scriblane {

std::unique_ptr<PlatformHost> CreatePlatformHost(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    return CreateWin32Host();
#else
    return CreateLinuxHost(argc, argv);
#endif
}

}  // namespace scriblane
