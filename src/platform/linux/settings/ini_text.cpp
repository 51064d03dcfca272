// The settings file's text as QSettings' INI reader splits it, with no Qt.
#include "platform/linux/settings/ini_text.h"

#include <cstdlib>

namespace scriblane::linuxp {

namespace {
constexpr std::size_t npos = std::string::npos;
}  // namespace

bool IsIniLineBreak(char c) { return c == '\n' || c == '\r'; }
bool IsIniSpace(char c) { return c == ' ' || c == '\t' || IsIniLineBreak(c); }

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

std::string IniTrimmed(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (IsIniSpace(s[b]) || s[b] == '\v' || s[b] == '\f')) ++b;
    while (e > b && (IsIniSpace(s[e - 1]) || s[e - 1] == '\v' || s[e - 1] == '\f')) --e;
    return s.substr(b, e - b);
}

bool IsPlainIniName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.')) {
            return false;
        }
    }
    return true;
}

namespace {

bool EqualsNoCase(const std::string& s, const char* lower) {
    std::size_t i = 0;
    for (; lower[i] != '\0'; ++i) {
        if (i >= s.size()) return false;
        const char c = (s[i] >= 'A' && s[i] <= 'Z') ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
        if (c != lower[i]) return false;
    }
    return i == s.size();
}

// Strict UTF-8 that decodes and encodes back to the same bytes, with no
// byte-order mark (a decoder may drop one) and no noncharacter.
bool IsPlainUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        char32_t cp = 0;
        char32_t least = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1, cp = c & 0x1F, least = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, cp = c & 0x0F, least = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, cp = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= s.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFEFF ||
            (cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE) {
            return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
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

}  // namespace

std::optional<std::map<std::string, std::string>> PlainIniValues(const std::string& text) {
    std::map<std::string, std::string> values;
    const IniText ini = SplitIniLines(text);
    std::string section;  // empty outside any, and in [General]
    for (const IniLine& line : ini.lines) {
        if (IsIniSpace(text[line.start])) return std::nullopt;  // left by a comment
        // Over several lines, or control bytes that trimming might treat
        // either way.
        for (std::size_t i = line.start; i < line.end; ++i) {
            if (static_cast<unsigned char>(text[i]) < 0x20 && text[i] != '\t') return std::nullopt;
        }
        if (text[line.start] == '[') {
            const std::size_t close = text.find(']', line.start);
            if (close == npos || close >= line.end) return std::nullopt;
            section = IniTrimmed(text.substr(line.start + 1, close - line.start - 1));
            if (EqualsNoCase(section, "general")) {
                section.clear();
            } else if (!IsPlainIniName(section)) {
                return std::nullopt;
            }
            continue;
        }
        if (line.equals == npos) return std::nullopt;
        const std::string key = IniTrimmed(text.substr(line.start, line.equals - line.start));
        if (!IsPlainIniName(key)) return std::nullopt;
        std::optional<std::string> value = PlainValue(text, line.equals + 1, line.end);
        if (!value) return std::nullopt;
        values[section.empty() ? key : section + "/" + key] = std::move(*value);
    }
    return values;
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
