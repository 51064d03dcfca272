// A private Xvfb for a test program: started once, on a display number it
// picks itself (-displayfd), so parallel runs never share a server.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace scriblane::testing {

class XvfbServer {
public:
    // `screen` as Xvfb's -screen takes it, e.g. "1024x768x24".
    explicit XvfbServer(const char* screen) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::freopen("/dev/null", "w", stderr);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten",
                   "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) {
            if (pid_ > 0) waitpid(pid_, nullptr, 0);
            pid_ = 0;
            return;
        }
        name_ = ":" + number;
    }
    ~XvfbServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Empty when the server did not start.
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = 0;
    std::string name_;
};

// A test program's main on its own server: gtest's flags read, then (unless
// the tests are only listed) the server started and made DISPLAY, `ready`
// told its name, and every test run.
inline int RunTestsOnPrivateXvfb(int& argc, char** argv,
                                 const std::function<void(const std::string&)>& ready = {}) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    const XvfbServer server("1024x768x24");
    if (server.name().empty()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    setenv("DISPLAY", server.name().c_str(), 1);
    if (ready) ready(server.name());
    return RUN_ALL_TESTS();
}

}  // namespace scriblane::testing
