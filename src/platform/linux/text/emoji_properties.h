// The Unicode emoji properties the shaping module reads, from a table made at build time.
#pragma once

#include <cstdint>

namespace scriblane::linuxp {

// One bit per property; a character's bits come from EmojiProperties.
enum EmojiProperty : std::uint8_t {
    kEmoji = 1 << 0,
    kEmojiPresentation = 1 << 1,
    kEmojiModifier = 1 << 2,
    kEmojiModifierBase = 1 << 3,
    kExtendedPictographic = 1 << 4,
    kRegionalIndicator = 1 << 5,
};

// Code points first..last all have exactly the properties `bits`.
struct EmojiRange {
    char32_t first, last;
    std::uint8_t bits;
};

// The properties of `c` (0 for most characters). The table is generated
// from ICU's data when the module is built (emoji_table_gen.cpp), so the
// module follows the Unicode version of the build's ICU without loading ICU
// (its data and its C++ runtime) when it runs.
std::uint8_t EmojiProperties(char32_t c);

}  // namespace scriblane::linuxp
