// The program's arguments, joined as the core takes them.
#include "platform/linux/form/arguments.h"

namespace scriblane::linuxp {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

std::string JoinArguments(const std::vector<std::string>& args) {
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) text += ' ';
        text += args[i];
    }
    return text;
}

bool CommandGiven(int argc, char** argv) {
    return !JoinArguments(ProgramArguments(argc, argv)).empty();
}

}  // namespace scriblane::linuxp
