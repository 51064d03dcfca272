// Text beyond simple scripts: bidi order, scripts, clusters and shaped glyphs (a loadable module).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace scriblane::linuxp {

// True for a character that needs neither shaping nor bidi reordering and
// combines with nothing (Latin, Greek, Cyrillic, CJK, symbols...): a line of
// these only is drawn glyph by glyph. Conservative: false may also mean
// "not known to be simple".
bool IsSimpleCharacter(char32_t c);

// True for a character of the blocks where Unicode puts characters whose
// default presentation is emoji (watches, zodiac signs, some dingbats...):
// a line with one needs the module's property data to know how it is drawn.
// Coarse by design: the module decides, character by character.
bool MayPresentAsEmoji(char32_t c);

// Which kind of face a cluster asks for first (Unicode's emoji presentation).
enum class Presentation : std::uint8_t {
    kAny,    // the chosen face, then fontconfig's sort
    kText,   // a face without colour glyphs (after U+FE0E)
    kEmoji,  // a colour emoji face (U+FE0F, default emoji, flags, keycaps, tag and ZWJ sequences)
};

// ISO 15924 tag of the Common script (characters shared by all scripts).
inline constexpr std::uint32_t kCommonScript = 0x5A797979;  // 'Zyyy'

// One line read as the Unicode algorithms read it, base direction left to right.
struct LineAnalysis {
    std::vector<std::uint8_t> levels;        // embedding level per character; odd: right to left
    std::vector<std::uint32_t> visualOrder;  // logical index of each visual position
    std::vector<std::uint32_t> scripts;      // ISO 15924 tag; Common and Inherited take a neighbour's
    std::vector<bool> continues;  // true: belongs to the cluster before it (marks, joiners, selectors)
    std::vector<bool> ignorable;  // default ignorable: no glyph of its own is needed
    std::vector<Presentation> presentation;  // per character, the same across a cluster
};

// A line of `n` characters as one left-to-right run of the Common script,
// every character its own cluster: how a line is read without the module,
// and where the module's reading starts.
inline LineAnalysis PlainAnalysis(std::size_t n) {
    LineAnalysis a;
    a.levels.assign(n, 0);
    a.visualOrder.resize(n);
    std::iota(a.visualOrder.begin(), a.visualOrder.end(), 0u);
    a.scripts.assign(n, kCommonScript);
    a.continues.assign(n, false);
    a.ignorable.assign(n, false);
    a.presentation.assign(n, Presentation::kAny);
    return a;
}

// A glyph as the shaper places it, in whole pixels; y up.
struct ShapedGlyph {
    std::uint32_t glyph = 0;
    std::uint32_t cluster = 0;  // index of its first character in the text given
    std::int32_t advance = 0;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0;
};

// One face at one size, ready to shape.
class ShapingFont {
public:
    virtual ~ShapingFont() = default;
    // Shapes text[start, start + length) with the rest as context; glyphs in
    // visual order (right to left runs come out reversed).
    virtual void Shape(const std::u32string& text, std::size_t start, std::size_t length,
                       bool rightToLeft, std::uint32_t script, std::vector<ShapedGlyph>& out) = 0;
};

class ComplexText {
public:
    virtual ~ComplexText() = default;
    virtual LineAnalysis Analyse(const std::u32string& line) = 0;
    // The face at `index` in `file`, `xPixels` by `yPixels` per em; null
    // when the file cannot be read as a font.
    virtual std::unique_ptr<ShapingFont> OpenFont(const char* file, int index, int xPixels,
                                                  int yPixels) = 0;
};

// The module (HarfBuzz, FriBidi and ICU's emoji properties), loaded on first use so that text of
// simple scripts never loads those libraries; null, after one line on
// stderr, when it is missing.
ComplexText* LoadComplexText();

}  // namespace scriblane::linuxp
