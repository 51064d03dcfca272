// The emoji property lookup over the table generated at build time.
#include "platform/linux/text/emoji_properties.h"

#include <iterator>

namespace scriblane::linuxp {

namespace {

// Ascending, disjoint ranges; code points in none have no property.
constexpr EmojiRange kEmojiRanges[] = {
#include "emoji_table.inc"
};

}  // namespace

std::uint8_t EmojiProperties(char32_t c) {
    std::size_t lo = 0, hi = std::size(kEmojiRanges);
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (c < kEmojiRanges[mid].first) {
            hi = mid;
        } else if (c > kEmojiRanges[mid].last) {
            lo = mid + 1;
        } else {
            return kEmojiRanges[mid].bits;
        }
    }
    return 0;
}

}  // namespace scriblane::linuxp
