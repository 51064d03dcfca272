// Text rules of the Win32 build that need no Windows header, so they can be
// checked on any machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scriblane::win32 {

// The argument text of a full command line: what follows the program name
// (quoted or not), with the blanks in front of it removed; trailing blanks
// and inner quotes are kept as typed.
std::string ArgumentText(std::string_view commandLine);

// A font height in points as the negative character height CreateFont takes.
int PointsToFontHeight(double points, int dpi);

// The letter width handed to CreateFont, kept within +-kMaxFontWidth. The font
// mapper under Wine checks a width against the height by adding the two in 32
// bits: a width near the limit wraps round, passes as sane and asks for
// glyphs millions of pixels wide. Every width beyond the bound is more than a
// hundred heights of any font it can realise and is ignored like them (the
// mapper's default width), so the bound changes no drawing.
inline constexpr std::int32_t kMaxFontWidth = 1 << 30;
std::int32_t BoundFontWidth(std::int32_t width);

// The characters that DrawText draws as glyphs from `text`: no line breaks;
// with prefix processing no single '&' (it underlines the next character)
// and one '&' for "&&".
std::wstring DrawnCharacters(std::wstring_view text, bool prefixes);

// How glyph images go to the X server under Wine: one bit, one byte or four
// bytes (with a two-pixel margin) per pixel.
enum class GlyphDepth { Mono, Gray, Subpixel };

// Whether a glyph with that black box fits the one X request that carries its
// image: at most 65535 pixels each way, and within the request size of an X
// server with the usual limit (4194303 four-byte units).
bool GlyphFitsOneRequest(std::uint32_t width, std::uint32_t height, GlyphDepth depth);

}  // namespace scriblane::win32
