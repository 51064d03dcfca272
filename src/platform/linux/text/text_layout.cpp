// Text as DrawTextA reads it: byte decoding, line splitting, '&' prefixes, centring.
#include "platform/linux/text/text_layout.h"

#include <string_view>

#include "platform/linux/text/utf8.h"
#include "render/prefix.h"

namespace scriblane::linuxp {

namespace {

constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t FromCp1252(unsigned char b) {
    return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char32_t>(b);
}

}  // namespace

std::string ToUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u32string DecodeText(const char* bytes, std::size_t count) {
    std::u32string out;
    out.reserve(count);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < count) {
        char32_t c;
        const std::size_t len = Utf8SequenceLength(p + i, count - i, c);
        if (len == 0) {
            out += FromCp1252(p[i]);
            ++i;
        } else {
            out += c;
            i += len;
        }
    }
    return out;
}

std::vector<TextLine> LayoutLines(const std::u32string& text, bool singleLine, bool noPrefix) {
    std::vector<TextLine> lines;
    auto add = [&](std::u32string_view line) {
        if (noPrefix) {
            lines.push_back({std::u32string(line), {}});
        } else {
            PrefixedLine<char32_t> prefixed = ApplyPrefixes(line);
            lines.push_back({std::move(prefixed.drawn), std::move(prefixed.underlined)});
        }
    };
    const std::u32string_view all(text);
    std::size_t start = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const char32_t c = all[i];
        if (singleLine || (c != U'\r' && c != U'\n')) continue;
        add(all.substr(start, i - start));
        if (c == U'\r' && i + 1 < all.size() && all[i + 1] == U'\n') ++i;
        start = i + 1;
    }
    add(all.substr(start));
    return lines;
}

std::int64_t CentredLeft(std::int64_t left, std::int64_t right, std::int64_t width) {
    return left + (right - left - width) / 2;
}

}  // namespace scriblane::linuxp
