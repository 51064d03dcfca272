// The settings file's text as QSettings' INI reader splits and names it, with
// no Qt: one document that `scriblane` reads plain files from without loading
// QtCore and that the store edits line by line, the escapes the store writes
// beside the decoding they invert, and where the file is.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scriblane::linuxp {

bool IsIniLineBreak(char c);
bool IsIniSpace(char c);
bool IsHexDigit(char c);
// A character a section or key name keeps as it is (no escape).
bool IsIniNameChar(char c);
// "General" in any case: the section of keys outside every section.
bool IsGeneralSection(std::string_view name);

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
bool IsPlainIniName(std::string_view name);

// `s` less blanks (and \v, \f) at both ends.
std::string IniTrimmed(std::string_view s);

// The INI text of one settings file: its lines, what QSettings reads from
// them, and one line set to a new value with every other byte kept.
class IniDocument {
public:
    explicit IniDocument(std::string text);

    const std::string& Text() const { return text_; }

    // Every value, by "section/key" ("key" outside any section), as QSettings
    // reads it and the store returns it — or nothing when the text holds
    // anything outside the plain forms decoded here (escaped or unusual
    // names, lists, @-types, values over several lines, lines without '=',
    // text that is not UTF-8, ...). Nothing means: ask QSettings.
    std::optional<std::map<std::string, std::string>> PlainValues() const;

    // The value as the file spells it on the line QSettings takes `key` of
    // `section` from (names as the file spells them), blanks around it left
    // out; nothing when no line holds the key.
    std::optional<std::string> SpeltValue(const std::string& section,
                                          const std::string& key) const;

    // Sets `key` of `section` to `value`, all three spelt as the file spells
    // them. The line QSettings reads the key from gets the value, however its
    // name is spelt; a key not there yet goes after the section's last line,
    // a section not there yet at the end. False (and the text unchanged)
    // when the edited text would not read back as `value`.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

private:
    // The line QSettings takes the key from, or -1.
    long FindKey(const std::string& section, const std::string& key, long* anchor) const;

    std::string text_;
    IniText ini_;
};

// How the file spells a section or key name, and a text value: the inverses
// of what QSettings (and IniDocument) decode, so that the name reads back as
// this name and the value as exactly these bytes (a leading '@' doubled,
// bytes that are not UTF-8 kept as @ByteArray(...), specials escaped, quotes
// where blanks or ",;=" would be misread).
std::string EscapedIniName(const std::string& name);
std::string EscapedIniValue(const std::string& value);

// The plain values of `text` (see IniDocument::PlainValues).
std::optional<std::map<std::string, std::string>> PlainIniValues(const std::string& text);

// The file QSettings uses for application `app` under the user's settings
// folder, worked out from the environment alone — or nothing when the
// environment is unusual enough that only QtCore can say for sure.
std::optional<std::string> PlainSettingsFilePath(const std::string& app);

}  // namespace scriblane::linuxp
