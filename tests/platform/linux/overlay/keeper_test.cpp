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

TEST(ConnectionKeeper, HoldsTheConnectionOnlyOnceTheDrawingIsShown) {
    // Not shown: the drawing process ends without the line. Shown: the
    // compositor hangs up during the lifetime, which ends it.
    for (const bool shown : {false, true}) {
        SCOPED_TRACE(shown);
        int compositor[2], told[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, compositor), 0);
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, told), 0);
        // An event waiting, as the drawing process may still read one.
        ASSERT_EQ(write(compositor[0], "event", 5), 5);
        const auto pid = Spawn({SCRIBLANE_OVERLAY_HELPER, protocol::kKeepConnection},
                               SpawnOptions{.stdinFd = told[1], .extraFd = compositor[1]});
        close(told[1]);
        ASSERT_TRUE(pid);
        if (shown) {
            const auto& line = protocol::kShownLine;
            ASSERT_EQ(write(told[0], line.data(), line.size()), std::ssize(line));
            pollfd unread{compositor[1], POLLIN, 0};
            for (int i = 0; i < 300 && poll(&unread, 1, 0) > 0; ++i) std::this_thread::sleep_for(10ms);
            close(compositor[0]);
        }
        close(told[0]);
        bool ended = false;
        for (int i = 0; i < 200 && !ended; ++i, std::this_thread::sleep_for(10ms)) {
            ended = waitpid(*pid, nullptr, WNOHANG) == *pid;
        }
        EXPECT_TRUE(ended) << "still running after 2 s";
        char buffer[8] = {};
        const ssize_t left = recv(compositor[1], buffer, sizeof buffer, MSG_DONTWAIT);
        EXPECT_EQ(std::string(buffer, left > 0 ? left : 0), shown ? "" : "event")
            << "read before it was handed over, or not read once it was";
        if (!shown) close(compositor[0]);
        close(compositor[1]);
    }
}

}  // namespace
}  // namespace scriblane::linuxp
