// A line's glyphs from the chosen face and its fallbacks: clusters, runs, shaping and bidi order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/text/text_font.h"

namespace scriblane::linuxp {

struct PlacedGlyph {
    TextFont* face = nullptr;
    unsigned glyph = 0;
    std::int64_t x = 0;         // pen position from the line's left edge
    std::int32_t xOffset = 0;   // where the glyph sits from the pen
    std::int32_t rise = 0;      // above the baseline
    std::int32_t advance = 0;
    std::size_t cluster = 0;    // index of its first character in the line
};

struct PlacedLine {
    std::vector<PlacedGlyph> glyphs;  // left to right as drawn
    std::int64_t width = 0;
};

// True when `font` (realised) draws the line alone, glyph by glyph: every
// character simple (IsSimpleCharacter), of no block that may present as
// emoji (MayPresentAsEmoji) and in the face, or a control drawn as its box.
// Such a line never looks at another face, the shaper or the module.
bool IsPlainLine(TextFont& font, const std::u32string& text);

// Any other line as drawn: each cluster from the face that has it, of the
// kind its emoji presentation asks for (FaceFor), runs of one face, level
// and script in bidi order, the paragraph left to right. Runs that need it are shaped; a simple left-to-right run is
// placed glyph by glyph with the advances of the plain path, so its text
// looks as it does alone.
PlacedLine PlaceLine(TextFont& font, const std::u32string& text);

}  // namespace scriblane::linuxp
