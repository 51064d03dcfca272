// Helpers started with only the descriptors they are given, and bounded waits for their output.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/linux/posix/child_output.h"
#include "platform/linux/posix/spawn.h"

namespace scriblane::linuxp {
namespace {

using namespace std::chrono_literals;

// What a shell started with `options` (its stdin given "ping ") reads on
// stdin and on descriptor 3 (where it has one), then the descriptors it holds.
std::string SpawnedShellSays(SpawnOptions options) {
    int in[2], out[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    EXPECT_EQ(write(in[1], "ping ", 5), 5);
    close(in[1]);
    options.stdinFd = in[0];
    options.stdoutFd = out[1];
    // The shell lists its own descriptors (no pipe of its own in between).
    const auto pid = Spawn(
        {"/bin/sh", "-c", "cat; [ -e /proc/$$/fd/3 ] && cat <&3; ls /proc/$$/fd"}, options);
    close(in[0]);
    close(out[1]);
    EXPECT_TRUE(pid);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    close(out[0]);
    int status = 0;
    if (pid) EXPECT_EQ(waitpid(*pid, &status, 0), *pid);
    return said;
}

TEST(Spawn, TheHelperHoldsOnlyTheDescriptorsItIsGiven) {
    // Open without close-on-exec, as a library of ours might leave them.
    const int stray = open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 0);
    ASSERT_EQ(dup2(stray, 57), 57);
    close(stray);
    // The descriptor handed on as 3 is numbered here as a helper's own
    // ones are, or as they are not.
    for (const int here : {-1, 0, 3, 60}) {
        SCOPED_TRACE(here);
        int extra[2];
        ASSERT_EQ(pipe2(extra, O_CLOEXEC), 0);
        ASSERT_EQ(write(extra[1], "pong ", 5), 5);
        close(extra[1]);
        // Whatever this process has there is put back afterwards.
        const int saved = here >= 0 ? fcntl(here, F_DUPFD_CLOEXEC, 100) : -1;
        if (here >= 0) ASSERT_EQ(dup2(extra[0], here), here);
        const std::string said = SpawnedShellSays(SpawnOptions{.extraFd = here});
        if (saved >= 0) {
            dup2(saved, here);
            close(saved);
        } else if (here >= 0) {
            close(here);
        }
        close(extra[0]);
        EXPECT_EQ(said, here < 0 ? "ping 0\n1\n2\n" : "ping pong 0\n1\n2\n3\n");
    }
    close(57);
}

TEST(RunForOutput, OutputOnlyFromAProgramThatEndsWellInTime) {
    using std::chrono::milliseconds;
    struct Case {
        std::vector<std::string> argv;
        milliseconds limit;
        std::optional<std::string> want;
    };
    const Case cases[] = {
        {{"sh", "-c", "printf 'a b\\nc'; echo oops >&2"}, milliseconds(10000), "a b\nc"},
        {{"sh", "-c", "printf partial; exit 3"}, milliseconds(10000), std::nullopt},
        {{"sh", "-c", "kill -9 $$"}, milliseconds(10000), std::nullopt},
        {{"scriblane-no-such-program"}, milliseconds(10000), std::nullopt},
        {{}, milliseconds(10000), std::nullopt},
        {{"sh", "-c", "exec sleep 60"}, milliseconds(200), std::nullopt},
        // Its output closed, but the program goes on.
        {{"sh", "-c", "printf x; exec >&-; exec sleep 60"}, milliseconds(200), std::nullopt},
        {{"sh", "-c", "head -c 70000 /dev/zero"}, milliseconds(10000), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.empty() ? "(none)" : c.argv.back());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunForOutput(c.argv, c.limit), c.want);
        // A program that overruns is killed at the limit, not waited for:
        // this bound is far above any limit here and far below its minute.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    }
}

}  // namespace
}  // namespace scriblane::linuxp
