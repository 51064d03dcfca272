// The client side of scriblane-overlay: starting it and taking its window.
#include "platform/linux/programs/scriblane/overlay_client.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/posix/companion.h"

namespace scriblane::linuxp {

void HelperHolder::Release() {
    if (toHelper_ >= 0) close(toHelper_);
    if (fromHelper_ >= 0) close(fromHelper_);
    toHelper_ = fromHelper_ = -1;
}

// Starts scriblane-overlay detached (own session, so no terminal; none of
// our descriptors but two pipes on its stdin and stdout).
void HelperHolder::Prepare() {
    if (fromHelper_ >= 0) return;  // one is ready and its window unused
    const std::string helper = Companion("scriblane-overlay", X_OK);
    if (helper.empty()) return;
    int toHelper[2], fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0) return;
    if (pipe2(fromHelper, O_CLOEXEC) != 0) {
        close(toHelper[0]);
        close(toHelper[1]);
        return;
    }
    // Spawned, not forked: nothing of this process is copied. The helper
    // outlives us; init reaps it.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toHelper[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromHelper[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char* const args[] = {const_cast<char*>(helper.c_str()), nullptr};
    pid_t child = 0;
    const int failed = posix_spawn(&child, helper.c_str(), &actions, &attributes, args, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(toHelper[0]);
    close(fromHelper[1]);
    toHelper_ = toHelper[1];
    fromHelper_ = fromHelper[0];
    if (failed != 0) Release();
}

// The window the helper made, read with a bounded wait.
unsigned long HelperHolder::Acquire() {
    if (fromHelper_ < 0) Prepare();
    std::string line;
    pollfd fd{fromHelper_, POLLIN, 0};
    char buffer[32];
    while (fromHelper_ >= 0 && line.find('\n') == std::string::npos && poll(&fd, 1, 3000) > 0) {
        const ssize_t n = read(fromHelper_, buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    const unsigned long window = std::strtoul(line.c_str(), nullptr, 10);
    if (window == 0) {
        Release();
        failed_ = true;
        std::fprintf(stderr, "scriblane: the helper scriblane-overlay is missing or did not answer; "
                     "nothing is shown\n");
    }
    return window;
}

}  // namespace scriblane::linuxp
