// Runs a helper program and collects what it prints, never waiting longer than asked.
#include "platform/linux/posix/child_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/posix/spawn.h"
#include "platform/linux/posix/time_left.h"

namespace scriblane::linuxp {

using Clock = std::chrono::steady_clock;

// Between looks at a program that closed its output but has not exited.
constexpr std::chrono::milliseconds kExitPollPause{2};

std::optional<std::string> RunForOutput(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds limit, std::size_t maxBytes) {
    if (argv.empty()) return std::nullopt;
    int out[2];
    // Close-on-exec on both ends: the child gets the write end only through
    // dup2, and no other child started meanwhile inherits either.
    if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;

    const auto pid = Spawn(argv, SpawnOptions{.stdoutFd = out[1], .searchPath = true});
    close(out[1]);
    if (!pid) {
        close(out[0]);
        return std::nullopt;
    }

    const Clock::time_point deadline = Clock::now() + limit;
    std::string text;
    bool ok = true;
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const int ready = poll(&p, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            ok = false;  // overran, or poll itself failed
            break;
        }
        char buffer[4096];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // end of output (or a read error, judged by the exit below)
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > maxBytes) {
            ok = false;
            break;
        }
    }
    close(out[0]);

    // The output is closed, but the program may still linger: wait for it
    // only until the deadline, then kill it.
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(*pid, &status, WNOHANG);
        if (r == *pid) break;
        if (r < 0 && errno != EINTR) return std::nullopt;
        if (!ok || MillisecondsLeft(deadline) == 0) {
            kill(*pid, SIGKILL);
            while (waitpid(*pid, &status, 0) < 0 && errno == EINTR) {
            }
            return std::nullopt;
        }
        poll(nullptr, 0, static_cast<int>(kExitPollPause.count()));
    }
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

}  // namespace scriblane::linuxp
