// Finding the programs and the module installed beside this program.
#pragma once

#include <string>

namespace scriblane::linuxp {

// A companion file of this program: beside it (build tree, or installed in
// one folder), else in ../libexec/scriblane/ (installed the usual way); the
// first one `access` allows in `mode`, or "" when there is none.
std::string Companion(const char* name, int mode);

}  // namespace scriblane::linuxp
