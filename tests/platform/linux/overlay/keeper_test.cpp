// The helper holding a layer drawing's connection (`scriblane-overlay
// wayland`): it touches the connection only once told the drawing is shown.
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/linux/overlay/overlay_protocol.h"
#include "platform/linux/posix/spawn.h"

namespace scriblane::linuxp {
namespace {

using namespace std::chrono_literals;
namespace protocol = overlay_protocol;

// Whether `pid` ended within `wait`; reaps it.
bool EndsWithin(pid_t pid, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(ConnectionKeeper, HoldsTheConnectionOnlyOnceTheDrawingIsShown) {
    struct Case {
        bool shown;
        const char* what;
    };
    for (const Case c : {Case{false, "the drawing process ends without showing anything"},
                         Case{true, "the compositor hangs up during the lifetime"}}) {
        SCOPED_TRACE(c.what);
        int compositor[2], told[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, compositor), 0);
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, told), 0);
        // An event waiting on the connection, as the drawing process may
        // still read one.
        ASSERT_EQ(write(compositor[0], "event", 5), 5);
        const auto pid = Spawn({SCRIBLANE_OVERLAY_HELPER, protocol::kKeepConnection},
                               SpawnOptions{.stdinFd = told[1], .extraFd = compositor[1]});
        close(told[1]);
        ASSERT_TRUE(pid);
        if (c.shown) {
            const auto& line = protocol::kShownLine;
            ASSERT_EQ(write(told[0], line.data(), line.size()),
                      static_cast<ssize_t>(line.size()));
            // Read by then, and the lifetime under way: the hang-up ends it.
            pollfd drained{compositor[1], POLLIN, 0};
            for (int i = 0; i < 300 && poll(&drained, 1, 0) > 0; ++i) {
                std::this_thread::sleep_for(10ms);
            }
            close(compositor[0]);
        }
        close(told[0]);
        EXPECT_TRUE(EndsWithin(*pid, 2s));
        char buffer[8] = {};
        const ssize_t left = recv(compositor[1], buffer, sizeof buffer, MSG_DONTWAIT);
        if (c.shown) {
            EXPECT_EQ(left, 0) << "the event was not read";
        } else {
            EXPECT_EQ(std::string(buffer, left > 0 ? left : 0), "event")
                << "the connection was read before the drawing was handed over";
            close(compositor[0]);
        }
        close(compositor[1]);
    }
}

}  // namespace
}  // namespace scriblane::linuxp
