// The settings file's text as QSettings' INI reader splits and names it, with no Qt.
#include "platform/linux/settings/ini_text.h"

#include <cstdlib>

#include "platform/linux/text/utf8.h"

namespace scriblane::linuxp {

namespace {
constexpr std::size_t npos = std::string::npos;

bool IsIniTrimmed(char c) { return IsIniSpace(c) || c == '\v' || c == '\f'; }

// The name between '[' and the first ']' of a section line (the whole rest of
// the line without one), blanks around it left out.
std::string_view SectionName(const std::string& text, const IniLine& line) {
    std::size_t from = line.start + 1;
    std::size_t to = from;
    while (to < line.end && text[to] != ']') ++to;
    while (from < to && IsIniTrimmed(text[from])) ++from;
    while (to > from && IsIniTrimmed(text[to - 1])) --to;
    return std::string_view(text).substr(from, to - from);
}

bool HasSectionClose(const std::string& text, const IniLine& line) {
    for (std::size_t i = line.start + 1; i < line.end; ++i) {
        if (text[i] == ']') return true;
    }
    return false;
}

// Strict UTF-8 that decodes and encodes back to the same bytes, with no
// byte-order mark (a decoder may drop one) and no noncharacter.
bool IsPlainUtf8(std::string_view s) {
    return IsUtf8(s, [](char32_t cp) {
        return cp != 0xFEFF && !(cp >= 0xFDD0 && cp <= 0xFDEF) && (cp & 0xFFFE) != 0xFFFE;
    });
}

// ---- Names as QSettings decodes them ---------------------------------------
// A name is compared as QSettings compares it: decoded to UTF-16 (bytes that
// are not UTF-8 become U+FFFD), '\' standing for '/', "%XX" and "%UXXXX" for
// the character with that number.

bool IsQtSpace(char16_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A number as QString::toUShort(base 16) takes it: blanks around it, a '+'
// and a "0x" allowed.
std::optional<char16_t> HexNumber(std::u16string_view s) {
    while (!s.empty() && IsQtSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsQtSpace(s.back())) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    if (s.empty()) return std::nullopt;
    unsigned value = 0;
    for (const char16_t c : s) {
        const int digit = HexValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);  // at most four digits
}

// Bytes as QString::fromUtf8 reads them: UTF-16 units, each byte that is not
// part of valid UTF-8 as U+FFFD, a byte-order mark at the start dropped.
std::u16string Utf16Of(std::string_view bytes) {
    std::u16string units;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceLength(p + i, bytes.size() - i, cp);
        if (len == 0) {
            units += u'\uFFFD';
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(cp);
        }
        i += len;
    }
    if (!units.empty() && units.front() == u'\uFEFF') units.erase(0, 1);
    return units;
}

// A name as QSettings decodes it from the file: through QString::fromUtf8
// (a leading byte-order mark dropped), then its escapes.
std::u16string DecodedName(std::string_view spelt) {
    const std::u16string units = Utf16Of(spelt);
    std::u16string out;
    const std::size_t n = units.size();
    for (std::size_t i = 0; i < n;) {
        const char16_t c = units[i];
        if (c == '\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (c != '%' || i + 1 == n) {
            out += c;
            ++i;
            continue;
        }
        const std::size_t digits = units[i + 1] == 'U' ? 4 : 2;
        const std::size_t first = i + 1 + (digits == 4 ? 1 : 0);
        const auto number = first + digits <= n
                                ? HexNumber(std::u16string_view(units).substr(first, digits))
                                : std::nullopt;
        if (!number) {
            out += u'%';
            ++i;
            continue;
        }
        out += *number;
        i = first + digits;
    }
    return out;
}

// A section's part of every full key in it: "" for General, else its
// decoded name and '/'.
std::u16string DecodedSection(std::string_view spelt) {
    if (IsGeneralSection(spelt)) return std::u16string();
    std::u16string out;
    if (spelt.size() == 8 && spelt[0] == '%' && IsGeneralSection(spelt.substr(1))) {
        for (const char c : spelt.substr(1)) out += static_cast<char16_t>(c);
    } else {
        out = DecodedName(spelt);
    }
    return out + u'/';
}

// One value as QSettings decodes a plain text value: surrounding blanks
// dropped, one quoted run or none, the escapes its writer uses. Nothing for
// any form whose reading is less than certain.
std::optional<std::string> PlainValue(const std::string& text, std::size_t from, std::size_t to) {
    while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
    const bool quoted = from < to && text[from] == '"';
    if (quoted) ++from;
    std::string out;
    std::size_t keep = 0;  // what escapes wrote is never trimmed
    bool closed = false;
    std::size_t i = from;
    while (i < to) {
        const char c = text[i++];
        if (c == '"') {
            if (!quoted) return std::nullopt;
            closed = true;
            break;
        }
        if (c == ',' && !quoted) return std::nullopt;  // a list
        if (c != '\\') {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return std::nullopt;
            out += c;
            continue;
        }
        if (i >= to) return std::nullopt;
        const char e = text[i++];
        static const char simple[] = "a\ab\bf\fn\nr\rt\tv\v\"\"\\\\";
        bool done = false;
        for (std::size_t k = 0; k + 1 < sizeof simple; k += 2) {
            if (e == simple[k]) {
                out += simple[k + 1];
                done = true;
                break;
            }
        }
        if (!done) {
            // Numeric escapes: short enough that any digit limit reads them
            // alike, and plain ASCII.
            const bool hex = e == 'x';
            const bool octal = e >= '0' && e <= '7';
            if (!hex && !octal) return std::nullopt;
            std::size_t digitsFrom = hex ? i : i - 1;
            std::size_t j = digitsFrom;
            auto isDigit = [&](char d) { return hex ? IsHexDigit(d) : (d >= '0' && d <= '7'); };
            while (j < to && isDigit(text[j])) ++j;
            const std::size_t count = j - digitsFrom;
            if (count == 0 || count > 2) return std::nullopt;
            const long value =
                std::strtol(text.substr(digitsFrom, count).c_str(), nullptr, hex ? 16 : 8);
            if (value >= 0x80) return std::nullopt;
            out += static_cast<char>(value);
            i = j;
        }
        keep = out.size();
    }
    if (quoted) {
        if (!closed) return std::nullopt;
        while (i < to && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i != to) return std::nullopt;
    } else {
        while (out.size() > keep && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    }
    if (!IsPlainUtf8(out)) return std::nullopt;
    if (!out.empty() && out[0] == '@') {
        if (out.size() < 2 || out[1] != '@') return std::nullopt;  // a typed value
        out.erase(0, 1);
    }
    return out;
}

// The value's bytes on a key line, blanks around it left out.
void ValueSpan(const std::string& text, const IniLine& line, std::size_t& from, std::size_t& to) {
    from = line.equals + 1;
    to = line.end;
    while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
    while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
}

}  // namespace

bool IsIniLineBreak(char c) { return c == '\n' || c == '\r'; }
bool IsIniSpace(char c) { return c == ' ' || c == '\t' || IsIniLineBreak(c); }

bool IsHexDigit(char c) { return HexValue(static_cast<unsigned char>(c)) >= 0; }

bool IsIniNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-' || c == '.';
}

bool IsGeneralSection(std::string_view name) {
    static constexpr std::string_view general = "general";
    if (name.size() != general.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = (name[i] >= 'A' && name[i] <= 'Z') ? static_cast<char>(name[i] - 'A' + 'a')
                                                          : name[i];
        if (c != general[i]) return false;
    }
    return true;
}

IniText SplitIniLines(const std::string& text) {
    IniText out;
    const std::size_t n = text.size();
    std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a UTF-8 mark
    while (true) {
        std::size_t start = pos;
        while (start < n && IsIniSpace(text[start])) ++start;
        IniLine line;
        bool inQuotes = false;
        bool inEscape = false;
        std::size_t i = start;
        while (i < n) {
            const char c = text[i++];
            if (c == '=') {
                if (!inQuotes && line.equals == npos) line.equals = i - 1;
            } else if (IsIniLineBreak(c)) {
                if (i == start + 1) {
                    ++start;  // the break that ended a comment
                } else if (!inQuotes) {
                    --i;
                    break;
                }
            } else if (c == '\\') {
                if (i < n) {
                    const char next = text[i++];
                    if (i < n && ((next == '\n' && text[i] == '\r') ||
                                  (next == '\r' && text[i] == '\n'))) {
                        ++i;
                    }
                } else {
                    inEscape = true;
                }
            } else if (c == '"') {
                inQuotes = !inQuotes;
            } else if (c == ';') {
                if (i == start + 1) {
                    while (i < n && !IsIniLineBreak(text[i])) ++i;
                    start = i;
                } else if (!inQuotes) {
                    --i;
                    break;
                }
            }
        }
        if (i >= n && i > start) {
            out.endsInQuotes = inQuotes;
            out.endsInEscape = inEscape;
        }
        pos = i;
        if (i == start) break;  // only at the end of the text
        line.start = start;
        line.end = i;
        out.lines.push_back(line);
    }
    return out;
}

std::string IniTrimmed(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsIniTrimmed(s[b])) ++b;
    while (e > b && IsIniTrimmed(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

bool IsPlainIniName(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name) {
        if (!IsIniNameChar(c)) return false;
    }
    return true;
}

IniDocument::IniDocument(std::string text) : text_(std::move(text)), ini_(SplitIniLines(text_)) {}

std::optional<std::map<std::string, std::string>> IniDocument::PlainValues() const {
    std::map<std::string, std::string> values;
    std::string section;  // empty outside any, and in [General]
    for (const IniLine& line : ini_.lines) {
        if (IsIniSpace(text_[line.start])) return std::nullopt;  // left by a comment
        // Over several lines, or control bytes that trimming might treat
        // either way.
        for (std::size_t i = line.start; i < line.end; ++i) {
            const auto c = static_cast<unsigned char>(text_[i]);
            if (c < 0x20 && c != '\t') return std::nullopt;
        }
        if (text_[line.start] == '[') {
            if (!HasSectionClose(text_, line)) return std::nullopt;
            section = std::string(SectionName(text_, line));
            if (IsGeneralSection(section)) {
                section.clear();
            } else if (!IsPlainIniName(section)) {
                return std::nullopt;
            }
            continue;
        }
        if (line.equals == npos) return std::nullopt;
        const std::string key =
            IniTrimmed(std::string_view(text_).substr(line.start, line.equals - line.start));
        if (!IsPlainIniName(key)) return std::nullopt;
        std::optional<std::string> value = PlainValue(text_, line.equals + 1, line.end);
        if (!value) return std::nullopt;
        values[section.empty() ? key : section + "/" + key] = std::move(*value);
    }
    return values;
}

// QSettings, made to parse every section (as the store makes it), parses
// them in the order of their decoded names (those of one name as one, in
// file order), and a key read again replaces what was read before: the line
// it keeps is the last in that order.
long IniDocument::FindKey(const std::string& section, const std::string& key,
                          long* anchor) const {
    const std::u16string wantedSection = DecodedSection(section);
    const std::u16string wanted = wantedSection + DecodedName(key);
    long match = -1;
    std::u16string matchSection;
    if (anchor != nullptr) *anchor = -1;
    std::u16string current;  // before any header: General
    bool inWanted = wantedSection.empty();
    for (std::size_t k = 0; k < ini_.lines.size(); ++k) {
        const IniLine& line = ini_.lines[k];
        if (text_[line.start] == '[') {
            current = DecodedSection(SectionName(text_, line));
            inWanted = current == wantedSection;
            if (inWanted && anchor != nullptr) *anchor = static_cast<long>(k);
            continue;
        }
        if (inWanted && anchor != nullptr) *anchor = static_cast<long>(k);
        if (line.equals == npos) continue;
        // Cheap test first: the full key is at least as long as its section.
        if (current.size() > wanted.size() || wanted.compare(0, current.size(), current) != 0) {
            continue;
        }
        const std::u16string full = current + DecodedName(IniTrimmed(std::string_view(text_).substr(
                                                  line.start, line.equals - line.start)));
        if (full == wanted && (match < 0 || current >= matchSection)) {
            match = static_cast<long>(k);
            matchSection = current;
        }
    }
    return match;
}

std::optional<std::string> IniDocument::SpeltValue(const std::string& section,
                                                   const std::string& key) const {
    const long match = FindKey(section, key, nullptr);
    if (match < 0) return std::nullopt;
    std::size_t from = 0, to = 0;
    ValueSpan(text_, ini_.lines[static_cast<std::size_t>(match)], from, to);
    return text_.substr(from, to - from);
}

bool IniDocument::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
    long anchor = -1;
    const long match = FindKey(section, key, &anchor);
    std::string out;
    if (match >= 0) {
        // Blanks around the old value and a comment after it stay.
        std::size_t from = 0, to = 0;
        ValueSpan(text_, ini_.lines[static_cast<std::size_t>(match)], from, to);
        out = text_;
        out.replace(from, to - from, value);
    } else {
        // What brings the end of the text back to the start of a fresh line,
        // without changing what the last line reads as.
        std::string closing;
        if (ini_.endsInEscape) closing += '\n';  // taken by the backslash as a line continuation
        if (ini_.endsInQuotes) closing += '"';
        if (ini_.endsInEscape || ini_.endsInQuotes ||
            (!text_.empty() && !IsIniLineBreak(text_.back()))) {
            closing += '\n';
        }
        const std::string entry = key + "=" + value + "\n";
        if (anchor >= 0) {
            std::size_t at = ini_.lines[static_cast<std::size_t>(anchor)].end;
            while (at < text_.size() && !IsIniLineBreak(text_[at])) ++at;  // a comment after ';'
            if (at < text_.size()) {
                at += (text_[at] == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n') ? 2 : 1;
                out = text_;
                out.insert(at, entry);
            } else {
                out = text_ + closing + entry;
            }
        } else {
            out = text_ + closing + (text_.empty() ? "" : "\n") + "[" + section + "]\n" + entry;
        }
    }
    // Read back by the same rules before anything is kept.
    IniDocument edited(std::move(out));
    if (edited.SpeltValue(section, key) != value) return false;
    *this = std::move(edited);
    return true;
}

std::optional<std::map<std::string, std::string>> PlainIniValues(const std::string& text) {
    return IniDocument(text).PlainValues();
}

std::string EscapedIniName(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char16_t ch : Utf16Of(name)) {
        if (ch == u'/') {
            out += '\\';
        } else if (ch < 0x80 && IsIniNameChar(static_cast<char>(ch))) {
            out += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hex[ch / 16];
            out += hex[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(ch >> shift) & 0xF];
        }
    }
    return out;
}

std::string EscapedIniValue(const std::string& value) {
    // Bytes that come back unchanged through QString: UTF-8, less a leading
    // byte-order mark, which QString drops.
    const bool utf8 = IsUtf8(value) && value.rfind("\xEF\xBB\xBF", 0) != 0;
    std::string body;
    if (!utf8) {
        body = "@ByteArray(" + value + ")";
    } else {
        body = (!value.empty() && value[0] == '@') ? "@" + value : value;
    }
    static const char hex[] = "0123456789abcdef";
    auto hexEscape = [&](std::string& out, unsigned char c) {
        out += "\\x";
        if (c >= 16) out += hex[c / 16];
        out += hex[c % 16];
    };
    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (const char sc : body) {
        const auto c = static_cast<unsigned char>(sc);
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfHex && IsHexDigit(sc)) {
            hexEscape(out, c);
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
            case '\0': out += "\\0"; escapeNextIfHex = true; break;
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\v': out += "\\v"; break;
            case '"':
            case '\\':
                out += '\\';
                out += sc;
                break;
            default:
                if (c <= 0x1F || (c >= 0x7F && !utf8)) {
                    hexEscape(out, c);
                    escapeNextIfHex = true;
                } else {
                    out += sc;
                }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) {
        out = '"' + out + '"';
    }
    return out;
}

std::optional<std::string> PlainSettingsFilePath(const std::string& app) {
    if (!IsPlainIniName(app)) return std::nullopt;
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') return std::nullopt;
        base = std::string(home) + "/.config";
    }
    // Relative, or spelt so that Qt's clean-up of the path and the kernel
    // could differ (a ".." after a link), or not UTF-8: QtCore decides.
    if (base[0] != '/' || !IsPlainUtf8(base)) return std::nullopt;
    const std::string padded = base + "/";
    if (padded.find("/../") != npos) return std::nullopt;
    return base + "/" + app + "/" + app + ".conf";
}

}  // namespace scriblane::linuxp
