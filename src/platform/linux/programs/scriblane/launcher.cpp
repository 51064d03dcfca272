// `scriblane` itself: it links the C library alone and only chooses. With a
// command it loads command-line mode (scriblane-command.so, Xlib and Xft)
// and runs it in this process; without one it hands over (exec) to the
// window program before loading anything else, so the window's start pays
// for no library it does not use.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/form/arguments.h"
#include "platform/linux/posix/companion.h"
#include "platform/linux/posix/module.h"

namespace {

int HandOverToWindow(int argc, char** argv) {
    using scriblane::linuxp::Companion;
    const std::string program = Companion("scriblane-window", X_OK);
    if (program.empty()) {
        std::fprintf(stderr, "scriblane: the window program scriblane-window is missing\n");
        return 1;
    }
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    execv(program.c_str(), args.data());
    std::fprintf(stderr, "scriblane: cannot start %s: %s\n", program.c_str(),
                 std::strerror(errno));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!scriblane::linuxp::CommandGiven(argc, argv)) return HandOverToWindow(argc, argv);
    using Entry = int (*)(int, char**);
    auto* entry = reinterpret_cast<Entry>(scriblane::linuxp::ModuleFunction(
        "scriblane-command.so", "scriblane_command_line",
        "the command-line module scriblane-command.so is missing"));
    return entry != nullptr ? entry(argc, argv) : 1;
}
