// The client side of scriblane-overlay: starting it, taking what it holds
// and handing it the drawing.
#include "platform/linux/overlay/helper_client.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
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

namespace {

// Writes `size` bytes whole; false when the reader has gone, without the
// SIGPIPE that would end this process.
bool WriteAll(int fd, const char* data, std::size_t size) {
    sigset_t pipe, old;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    ssize_t n = 0;
    while (size > 0) {
        n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    if (n < 0 && errno == EPIPE) {
        const timespec now{0, 0};
        while (sigtimedwait(&pipe, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return size == 0;
}

bool WriteLine(int fd, const std::string& line) { return WriteAll(fd, line.data(), line.size()); }

}  // namespace

void HelperHolder::StartLifetime() {
    target_.reset();
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

// The surface the helper holds on the compositor's layer, read once.
std::optional<native::Target> HelperHolder::NextTarget() {
    if (target_ || failed_) return target_;  // one helper a drawing, one message
    if (fromHelper_ < 0) Prepare();
    const std::string line = ReadLine();
    target_ = protocol::ParseSurfaceLine(line);
    if (!target_) {
        Fail(line == protocol::kFailed ? "got no output from the compositor"
                                       : "is missing or did not answer");
    }
    return target_;
}

void HelperHolder::NotShown(const char* why) {
    StartLifetime();
    failed_ = true;
    std::fprintf(stderr, "scriblane: %s; nothing is shown\n", why);
}

bool HelperHolder::Show(const native::Placement& placement, const ArgbPicture& picture) {
    const std::string line = protocol::PictureLine(placement);
    if (toHelper_ < 0 || !WriteLine(toHelper_, line) ||
        !WriteAll(toHelper_, reinterpret_cast<const char*>(picture.pixels.data()),
                  picture.pixels.size() * 4) ||
        ReadLine() != protocol::kShown) {
        Fail("could not get the drawing shown by the compositor");
        return false;
    }
    StartLifetime();
    return true;
}

}  // namespace scriblane::linuxp
