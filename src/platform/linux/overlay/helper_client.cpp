// The client side of scriblane-overlay: starting it and taking the window
// it holds.
#include "platform/linux/overlay/helper_client.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/linux/posix/companion.h"
#include "platform/linux/posix/spawn.h"
#include "platform/linux/posix/time_left.h"
#include "platform/linux/overlay/overlay_protocol.h"
#include "platform/linux/overlay/overlay_timings.h"

namespace protocol = scriblane::linuxp::overlay_protocol;

namespace scriblane::linuxp {

void HelperHolder::StartLifetime() {
    if (toHelper_ >= 0) close(toHelper_);
    if (fromHelper_ >= 0) close(fromHelper_);
    toHelper_ = fromHelper_ = -1;
}

// Starts scriblane-overlay detached (own session, so no terminal; none of
// our descriptors but two pipes on its stdin and stdout). The helper
// outlives us; init reaps it.
void HelperHolder::Prepare() {
    if (fromHelper_ >= 0) return;  // one is ready and its window unused
    const std::string helper = Companion(protocol::kHelper, X_OK);
    if (helper.empty()) return;
    int toHelper[2], fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0) return;
    if (pipe2(fromHelper, O_CLOEXEC) != 0) {
        close(toHelper[0]);
        close(toHelper[1]);
        return;
    }
    const auto started = Spawn({helper}, SpawnOptions{.stdinFd = toHelper[0],
                                                      .stdoutFd = fromHelper[1],
                                                      .newSession = true});
    close(toHelper[0]);
    close(fromHelper[1]);
    toHelper_ = toHelper[1];
    fromHelper_ = fromHelper[0];
    if (!started) StartLifetime();
}

std::string HelperHolder::ReadLine() {
    const auto deadline = std::chrono::steady_clock::now() + kHelperAnswerWait;
    std::string line;
    char c = 0;
    // A byte at a time: the helper's next line must stay in the pipe.
    while (fromHelper_ >= 0 && (line.empty() || line.back() != '\n') && line.size() < 256) {
        pollfd fd{fromHelper_, POLLIN, 0};
        const int ready = poll(&fd, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t n = read(fromHelper_, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        line += c;
    }
    return line;
}

void HelperHolder::Fail(const char* why) {
    StartLifetime();
    failed_ = true;
    std::fprintf(stderr, "scriblane: the helper %s %s; nothing is shown\n", protocol::kHelper, why);
}

// The window the helper holds, read with a bounded wait.
HeldOverlay HelperHolder::Acquire() {
    if (fromHelper_ < 0) Prepare();
    const auto window = protocol::ParseWindowLine(ReadLine());
    if (!window) {
        Fail("is missing or did not answer");
        return {};
    }
    return HeldOverlay{*window};
}

}  // namespace scriblane::linuxp
