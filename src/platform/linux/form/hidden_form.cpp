// The form runtime of command-line mode: the window, hidden for good.
#include "platform/linux/form/hidden_form.h"

#include <cstdio>

namespace scriblane::linuxp {

std::int32_t HiddenForm::MsgBox(const std::string& prompt, std::int32_t) {
    std::fprintf(stderr, "scriblane: %s\n", prompt.c_str());
    return 1;
}

}  // namespace scriblane::linuxp
