// The program's entry: the platform's host, then the core's Main, then the event loop.
#include "platform/host.h"
#include "startup/startup.h"

int main(int argc, char** argv) {
    auto host = scriblane::CreatePlatformHost(argc, argv);
    if (!host) return 1;
    scriblane::Program program(host->platform());
    scriblane::RunMain(program);
    return host->RunEventLoop();
}
