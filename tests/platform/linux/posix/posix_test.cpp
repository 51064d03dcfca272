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

TEST(Spawn, TheHelperHoldsOnlyItsStandardDescriptors) {
    // Open without close-on-exec, as a library of ours might leave them.
    const int stray = open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 0);
    ASSERT_EQ(dup2(stray, 57), 57);
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_EQ(write(in[1], "ping ", 5), 5);
    close(in[1]);

    // The shell lists its own descriptors (no pipe of its own in between).
    const auto pid = Spawn({"/bin/sh", "-c", "cat; ls /proc/$$/fd"},
                           SpawnOptions{.stdinFd = in[0], .stdoutFd = out[1]});
    close(in[0]);
    close(out[1]);
    ASSERT_TRUE(pid);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(*pid, &status, 0), *pid);
    close(stray);
    close(57);
    EXPECT_EQ(said, "ping 0\n1\n2\n");
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
