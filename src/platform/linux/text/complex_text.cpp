// Telling simple text from text that needs the shaping module, and loading that module.
#include "platform/linux/text/complex_text.h"

#include <iterator>

#include "platform/linux/posix/module.h"

namespace scriblane::linuxp {

namespace {

struct Range {
    char32_t first, last;
};

// Blocks whose characters all stand alone, left to right, one glyph each.
// Anything else (combining marks, joiners and direction controls, right to
// left and shaped scripts, emoji sequences) goes to the module.
constexpr Range kSimple[] = {
    {0x0000, 0x02FF},   {0x0370, 0x0482},   {0x048A, 0x052F},   {0x0531, 0x058F},
    {0x10A0, 0x10FF},   {0x1E00, 0x1FFF},   {0x2000, 0x200A},   {0x2010, 0x2027},
    {0x202F, 0x205F},   {0x2070, 0x20CF},   {0x2100, 0x2BFF},   {0x2E00, 0x2E7F},
    {0x3000, 0x3029},   {0x3030, 0x3098},   {0x309B, 0x9FFF},   {0xA000, 0xA4CF},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFFEF},
    {0x20000, 0x3FFFF},
};

// Blocks that hold characters of emoji presentation by default among
// simple ones: Miscellaneous Technical, Geometric Shapes, Miscellaneous
// Symbols, Dingbats, Miscellaneous Symbols and Arrows. Those beyond the
// Basic Multilingual Plane are not simple anyway.
constexpr Range kEmojiBlocks[] = {
    {0x2300, 0x23FF}, {0x25A0, 0x27BF}, {0x2B00, 0x2BFF},
};

}  // namespace

bool MayPresentAsEmoji(char32_t c) {
    for (const Range& r : kEmojiBlocks) {
        if (c >= r.first && c <= r.last) return true;
    }
    return false;
}

bool IsSimpleCharacter(char32_t c) {
    // Binary search over the ordered ranges.
    std::size_t lo = 0, hi = std::size(kSimple);
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (c < kSimple[mid].first) {
            hi = mid;
        } else if (c > kSimple[mid].last) {
            lo = mid + 1;
        } else {
            return true;
        }
    }
    return false;
}

ComplexText* LoadComplexText() {
    // Loaded once, for the life of the process.
    static ComplexText* const loaded = CreateFromModule<ComplexText>(
        "scriblane-shaping.so", "scriblane_create_complex_text",
        "the shaping module scriblane-shaping.so is missing; text is drawn unshaped, left to right");
    return loaded;
}

}  // namespace scriblane::linuxp
