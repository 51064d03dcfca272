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

TEST(Spawn, TheHelperHoldsOnlyTheDescriptorsItIsGiven) {
    // Open without close-on-exec, as a library of ours might leave them.
    ASSERT_EQ(dup2(STDERR_FILENO, 57), 57);
    // Nothing handed on as 3, or a descriptor numbered here as a helper's
    // own ones are (put back afterwards), or as they are not.
    for (const int here : {-1, 0, 3, 60}) {
        SCOPED_TRACE(here);
        int extra[2], in[2], out[2];
        ASSERT_EQ(pipe2(extra, O_CLOEXEC), 0);
        const int saved = here >= 0 ? fcntl(here, F_DUPFD_CLOEXEC, 100) : -1;
        if (here >= 0) ASSERT_EQ(dup2(extra[0], here), here);
        ASSERT_TRUE(pipe(in) == 0 && pipe2(out, O_CLOEXEC) == 0);
        ASSERT_TRUE(write(in[1], "ping ", 5) == 5 && write(extra[1], "pong ", 5) == 5);
        close(in[1]);
        close(extra[1]);
        // The shell reads stdin and 3, then lists its own descriptors.
        const auto pid = Spawn({"/bin/sh", "-c", "cat; [ -e /proc/$$/fd/3 ] && cat <&3; ls /proc/$$/fd"},
                               SpawnOptions{.stdinFd = in[0], .stdoutFd = out[1], .extraFd = here});
        if (here >= 0) saved >= 0 ? dup2(saved, here) : close(here);
        for (const int fd : {saved, in[0], extra[0], out[1]}) close(fd);
        ASSERT_TRUE(pid);
        std::string said;
        char buffer[256];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
        close(out[0]);
        EXPECT_EQ(waitpid(*pid, nullptr, 0), *pid);
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
