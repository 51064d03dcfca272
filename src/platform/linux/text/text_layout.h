// Text as DrawTextA reads it: byte decoding, line splitting, '&' prefixes, centring; no X involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scriblane::linuxp {

// Bytes as text: UTF-8 where the bytes form valid UTF-8, every other byte
// read as Windows-1252 (the five codes that page leaves undefined map to the
// control characters of the same number, as Windows does).
std::u32string DecodeText(const char* bytes, std::size_t count);

// True for a control character the drawing does not interpret (every C0
// and C1 control but tab, CR and LF, and DEL): drawn as the chosen face's
// missing-glyph box, whatever glyph a face maps it to.
constexpr bool DrawnAsMissingGlyph(char32_t c) {
    return (c < 0x20 && c != U'\t' && c != U'\r' && c != U'\n') || (c >= 0x7F && c <= 0x9F);
}

// Code points back to UTF-8 (for fontconfig's names).
std::string ToUtf8(const std::u32string& text);

// One output line after prefix processing.
struct TextLine {
    std::u32string text;
    std::vector<std::size_t> underlined;  // indexes into text, ascending
};

// Splits at CR, LF and CRLF (unless `singleLine`) and applies the '&' prefix
// rule (unless `noPrefix`): "&&" is one '&', a lone '&' vanishes and
// underlines the next character, a trailing lone '&' draws nothing.
std::vector<TextLine> LayoutLines(const std::u32string& text, bool singleLine, bool noPrefix);

// Left edge of a line `width` wide centred between `left` and `right`: the
// room left over is halved as integers do (toward zero), so an odd leftover
// puts the extra pixel on the right, as DrawTextA does.
std::int64_t CentredLeft(std::int64_t left, std::int64_t right, std::int64_t width);

}  // namespace scriblane::linuxp
