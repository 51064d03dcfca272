// Loading a module installed beside this program.
#include "platform/linux/posix/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/linux/posix/companion.h"

namespace scriblane::linuxp {

void* ModuleFunction(const char* file, const char* symbol, const char* missing) {
    const std::string path = Companion(file, R_OK);
    if (path.empty()) {
        std::fprintf(stderr, "scriblane: %s\n", missing);
        return nullptr;
    }
    // Functions bound on first call, as for the program itself: binding all
    // of them now would bind every function of the libraries the module
    // brings (libstdc++ and ICU for the shaping module), most never called.
    void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    void* function = module != nullptr ? dlsym(module, symbol) : nullptr;
    if (function == nullptr) {
        std::fprintf(stderr, "scriblane: cannot load %s: %s\n", path.c_str(), dlerror());
        return nullptr;
    }
    return function;
}

}  // namespace scriblane::linuxp
