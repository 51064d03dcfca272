// Finding the programs and the module installed beside this program.
#include "platform/linux/posix/companion.h"

#include <limits.h>
#include <unistd.h>

namespace scriblane::linuxp {

std::string Companion(const char* name, int mode) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.rfind('/') + 1);
    for (const std::string candidate :
         {dir + name, dir + "../libexec/scriblane/" + name}) {
        if (access(candidate.c_str(), mode) == 0) return candidate;
    }
    return {};
}

}  // namespace scriblane::linuxp
