// Starting a helper program with only the descriptors it is given.
#include "platform/linux/posix/spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace scriblane::linuxp {

std::optional<pid_t> Spawn(const std::vector<std::string>& argv, const SpawnOptions& options) {
    if (argv.empty()) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.stdinFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.stdinFd, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (options.stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.stdoutFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.newSession) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int failed =
        options.searchPath
            ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
            : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return std::nullopt;
    return pid;
}

}  // namespace scriblane::linuxp
