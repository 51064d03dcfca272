// The program's entry: the platform's host, then the core's Main, then the event loop.
#include "platform/host.h"
#include "startup/startup.h"

#if defined(SCRIBLANE_ENTRY)
// A module's entry, called by the program that loads it in place of main.
extern "C" __attribute__((visibility("default"))) int SCRIBLANE_ENTRY(int argc, char** argv) {
#else
int main(int argc, char** argv) {
#endif
    auto host = scriblane::CreatePlatformHost(argc, argv);
    if (!host) return 1;
    scriblane::Program program(host->platform());
    scriblane::RunMain(program);
    return host->RunEventLoop();
}
