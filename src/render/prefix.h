// DrawText's '&' prefix rule, for every platform that draws text as it does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scriblane {

template <class Char>
struct PrefixedLine {
    std::basic_string<Char> drawn;
    std::vector<std::size_t> underlined;  // indexes into drawn, ascending
};

// One line with the prefix rule applied: "&&" draws one '&', a lone '&'
// draws nothing and underlines the character after it, and a lone '&' at
// the end draws nothing.
template <class Char>
PrefixedLine<Char> ApplyPrefixes(std::basic_string_view<Char> line) {
    PrefixedLine<Char> out;
    bool underlineNext = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == Char('&')) {
            if (i + 1 < line.size() && line[i + 1] == Char('&')) {
                ++i;  // "&&" stands for one '&', drawn below
            } else {
                underlineNext = true;
                continue;
            }
        }
        if (underlineNext) out.underlined.push_back(out.drawn.size());
        underlineNext = false;
        out.drawn.push_back(line[i]);
    }
    return out;
}

}  // namespace scriblane
