// Ends the process at once: no static destructors, no toolkit teardown.
#pragma once

#include <unistd.h>

#ifdef SCRIBLANE_SANITIZE
#include <sanitizer/lsan_interface.h>
#endif

namespace scriblane::linuxp {

[[noreturn]] inline void EndProcessNow(int status) {
#ifdef SCRIBLANE_SANITIZE
    // _exit skips the leak check that exit() runs in a sanitizer build;
    // without this one no leak of the real programs would ever be seen.
    __lsan_do_leak_check();
#endif
    _exit(status);
}

}  // namespace scriblane::linuxp
