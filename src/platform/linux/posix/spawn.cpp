// Starting a helper program with only the descriptors it is given.
#include "platform/linux/posix/spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace scriblane::linuxp {

namespace {

// A descriptor the child's own (0 to 3) would overwrite before it is
// handed on gets a copy above them for the spawn.
class AboveStandard {
public:
    explicit AboveStandard(int fd) : fd_(fd) {
        if (fd >= 0 && fd <= 3) fd_ = copy_ = fcntl(fd, F_DUPFD_CLOEXEC, 4);
    }
    ~AboveStandard() {
        if (copy_ >= 0) close(copy_);
    }
    AboveStandard(const AboveStandard&) = delete;
    AboveStandard& operator=(const AboveStandard&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
    int copy_ = -1;
};

}  // namespace

std::optional<pid_t> Spawn(const std::vector<std::string>& argv, const SpawnOptions& given) {
    if (argv.empty()) return std::nullopt;
    const AboveStandard stdinFd(given.stdinFd), stdoutFd(given.stdoutFd), extraFd(given.extraFd);
    if ((given.stdinFd >= 0 && stdinFd.fd() < 0) || (given.stdoutFd >= 0 && stdoutFd.fd() < 0) ||
        (given.extraFd >= 0 && extraFd.fd() < 0)) {
        return std::nullopt;
    }
    SpawnOptions options = given;
    options.stdinFd = stdinFd.fd();
    options.stdoutFd = stdoutFd.fd();
    options.extraFd = extraFd.fd();
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
    if (options.extraFd >= 0) posix_spawn_file_actions_adddup2(&actions, options.extraFd, 3);
    posix_spawn_file_actions_addclosefrom_np(&actions, options.extraFd >= 0 ? 4 : 3);
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
