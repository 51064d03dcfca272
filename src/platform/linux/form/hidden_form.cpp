// The form runtime of command-line mode: the window, hidden for good.
#include "platform/linux/form/hidden_form.h"

namespace scriblane::linuxp {

std::string JoinArguments(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i] ? argv[i] : "";
    }
    return text;
}

}  // namespace scriblane::linuxp
