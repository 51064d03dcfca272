// Starting a helper program with only the descriptors it is given.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace scriblane::linuxp {

struct SpawnOptions {
    int stdinFd = -1;         // -1: /dev/null
    int stdoutFd = -1;        // -1: /dev/null
    bool searchPath = false;  // look argv[0] up in PATH
    bool newSession = false;  // detached: a session of its own, no terminal
    int extraFd = -1;         // handed on as descriptor 3; -1: none
};

// Starts argv[0] with stdin and stdout on the given descriptors, stderr on
// /dev/null and none of this process's other descriptors but `extraFd`. Spawned, not
// forked: nothing of this process is copied. Its pid, or nothing when it
// could not be started.
std::optional<pid_t> Spawn(const std::vector<std::string>& argv, const SpawnOptions& options);

}  // namespace scriblane::linuxp
