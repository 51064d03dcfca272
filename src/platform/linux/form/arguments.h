// The program's arguments as the core takes them. Apart from the forms, so a
// program that only decides which mode runs need not bring them.
#pragma once

#include <string>
#include <vector>

namespace scriblane::linuxp {

// The arguments after the program's name, as the core takes them: one text,
// joined with single spaces.
std::vector<std::string> ProgramArguments(int argc, char** argv);
std::string JoinArguments(const std::vector<std::string>& args);

// Whether that text is a command: not empty. Without one the window is
// wanted.
bool CommandGiven(int argc, char** argv);

}  // namespace scriblane::linuxp
