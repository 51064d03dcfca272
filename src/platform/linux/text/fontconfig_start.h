// fontconfig's start-up (its configuration parsed, its caches read) on a
// thread of its own: it is most of a command-line drawing's work before the
// painting, and the drawing can reach its display meanwhile. Waited for
// before the first font; fontconfig's own start-up, were it asked first,
// would do all of it a second time.
#pragma once

#include <fontconfig/fontconfig.h>

#include <system_error>
#include <thread>

namespace scriblane::linuxp {

class FontconfigStart {
public:
    FontconfigStart() {
        try {
            thread_ = std::thread([] { FcInit(); });
        } catch (const std::system_error&) {
            // No thread: the first font starts it.
        }
    }
    ~FontconfigStart() { Wait(); }
    FontconfigStart(const FontconfigStart&) = delete;
    FontconfigStart& operator=(const FontconfigStart&) = delete;

    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace scriblane::linuxp
