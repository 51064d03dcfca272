// The settings file's text as QSettings' INI reader splits it, with no Qt:
// the store edits it line by line, and `scriblane` reads plain files without
// loading QtCore.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace scriblane::linuxp {

bool IsIniLineBreak(char c);
bool IsIniSpace(char c);

struct IniLine {
    std::size_t start = 0;                  // first byte, leading blanks skipped
    std::size_t end = 0;                    // one past the last; the break or ';' is not part of it
    std::size_t equals = std::string::npos;  // the '=' outside quotes, if any
};

struct IniText {
    std::vector<IniLine> lines;
    // How the text ends: inside a quoted run, or just after a backslash that
    // would take the next byte with it.
    bool endsInQuotes = false;
    bool endsInEscape = false;
};

// Quotes and backslashes carry a line over line breaks; ';' at the start of a
// line makes it a comment, and elsewhere outside quotes ends the line.
IniText SplitIniLines(const std::string& text);

// A section or key name QSettings takes as it is spelt (no escapes, no '/').
bool IsPlainIniName(const std::string& name);

// `s` less blanks (and \v, \f) at both ends.
std::string IniTrimmed(const std::string& s);

// Every value of `text`, by "section/key" ("key" outside any section), as
// QSettings reads it and the store returns it — or nothing when the text
// holds anything outside the plain forms decoded here (escaped or unusual
// names, lists, @-types, values over several lines, lines without '=', text
// that is not UTF-8, ...). Nothing means: ask QSettings.
std::optional<std::map<std::string, std::string>> PlainIniValues(const std::string& text);

// The file QSettings uses for application `app` under the user's settings
// folder, worked out from the environment alone — or nothing when the
// environment is unusual enough that only QtCore can say for sure.
std::optional<std::string> PlainSettingsFilePath(const std::string& app);

}  // namespace scriblane::linuxp
