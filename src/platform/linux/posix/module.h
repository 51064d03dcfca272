// Loading a module installed beside this program and making its one object.
#pragma once

namespace scriblane::linuxp {

// The function `symbol` of the companion module `file`, which stays loaded
// for the life of the process; nullptr after one line on stderr: `missing`
// when no such file is found, else the loader's reason.
void* ModuleFunction(const char* file, const char* symbol, const char* missing);

// The object the module's factory `symbol` makes, or nullptr as above.
template <typename T>
T* CreateFromModule(const char* file, const char* symbol, const char* missing) {
    using Create = T* (*)();
    const auto create = reinterpret_cast<Create>(ModuleFunction(file, symbol, missing));
    return create != nullptr ? create() : nullptr;
}

}  // namespace scriblane::linuxp
