// Strict UTF-8, decoded one sequence at a time: the one reading of UTF-8 on the Linux side.
#pragma once

#include <cstddef>
#include <string_view>

namespace scriblane::linuxp {

// Length of the valid UTF-8 sequence at `p` (0 when there is none), with at
// most `left` bytes to read: shortest forms only, no surrogates, nothing past
// U+10FFFF. `cp` receives the code point.
inline std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left, char32_t& cp) {
    if (left == 0) return 0;
    const unsigned char b = p[0];
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's allowed range
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (left < len || p[1] < lo || p[1] > hi) return 0;
    for (std::size_t i = 2; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
    }
    char32_t c = b & (0xFF >> (len + 1));
    for (std::size_t i = 1; i < len; ++i) c = (c << 6) | (p[i] & 0x3F);
    cp = c;
    return len;
}

// Whether every byte of `s` belongs to a valid sequence; `accept` may refuse
// code points on top (a byte-order mark, noncharacters...).
template <typename Accept>
bool IsUtf8(std::string_view s, Accept accept) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceLength(p + i, s.size() - i, cp);
        if (len == 0 || !accept(cp)) return false;
        i += len;
    }
    return true;
}

inline bool IsUtf8(std::string_view s) {
    return IsUtf8(s, [](char32_t) { return true; });
}

}  // namespace scriblane::linuxp
