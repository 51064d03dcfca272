// A line's glyphs from the chosen face and its fallbacks: clusters, runs, shaping and bidi order.
#include "platform/linux/text/text_runs.h"

#include <algorithm>
#include <utility>

#include "platform/linux/text/complex_text.h"
#include "platform/linux/text/text_layout.h"

namespace scriblane::linuxp {

namespace {

// Whether a line's characters need the module: to be shaped or ordered, or
// to learn how they are presented.
bool NeedsModule(char32_t c) { return !IsSimpleCharacter(c) || MayPresentAsEmoji(c); }

// Each cluster's face: one that has every character of it that needs a
// glyph, of the kind its presentation asks for first; failing that, the
// face of its first character. A control is the chosen face's box.
std::vector<TextFont*> ClusterFaces(TextFont& font, const std::u32string& text,
                                   const LineAnalysis& a) {
    const std::size_t n = text.size();
    // Each cluster's characters that need a glyph, from its start.
    std::vector<std::pair<std::size_t, std::u32string>> clusters;
    std::u32string lacking;  // single characters the chosen face lacks
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i + 1;
        while (end < n && a.continues[end]) ++end;
        std::u32string needed;
        for (std::size_t k = i; k < end; ++k) {
            if (!a.ignorable[k]) needed += text[k];
        }
        if (needed.size() == 1 && a.presentation[i] == Presentation::kAny &&
            !DrawnAsMissingGlyph(text[i]) && GlyphIndex(font, needed[0]) == 0) {
            lacking += needed[0];
        }
        clusters.emplace_back(i, std::move(needed));
        i = end;
    }
    if (!lacking.empty()) ExpectFallbacks(font, lacking.data(), lacking.size());

    std::vector<TextFont*> faces(n, &font);
    TextFont* previous = &font;
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        const std::size_t i = clusters[c].first;
        const std::size_t end = c + 1 < clusters.size() ? clusters[c + 1].first : n;
        const std::u32string& needed = clusters[c].second;
        TextFont* face = previous;  // a lone joiner or selector goes with what precedes it
        if (DrawnAsMissingGlyph(text[i])) {
            face = &font;
        } else if (!needed.empty()) {
            const Presentation presentation = a.presentation[i];
            face = &FaceFor(font, needed.data(), needed.size(), presentation);
            if (face == &font && needed.size() > 1) {
                face = &FaceFor(font, needed.data(), 1, presentation);
            }
        }
        std::fill(faces.begin() + static_cast<std::ptrdiff_t>(i),
                  faces.begin() + static_cast<std::ptrdiff_t>(end), face);
        previous = face;
    }
    return faces;
}

}  // namespace

bool IsPlainLine(TextFont& font, const std::u32string& text) {
    for (char32_t c : text) {
        if (NeedsModule(c) || (GlyphIndex(font, c) == 0 && !DrawnAsMissingGlyph(c))) {
            return false;
        }
    }
    return true;
}

PlacedLine PlaceLine(TextFont& font, const std::u32string& text) {
    PlacedLine line;
    const std::size_t n = text.size();
    if (n == 0) return line;
    ComplexText* complex =
        std::any_of(text.begin(), text.end(), NeedsModule) ? LoadComplexText() : nullptr;
    const LineAnalysis a = complex ? complex->Analyse(text) : PlainAnalysis(n);
    const std::vector<TextFont*> faces = ClusterFaces(font, text, a);

    // Runs in logical order: one face, one level, one script each; a
    // control is a run of its own, never shaped, so that no face's glyph
    // for it takes the place of the box.
    struct Run {
        std::size_t start, end;
    };
    std::vector<Run> runs;
    std::vector<std::size_t> runOf(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || faces[i] != faces[i - 1] || a.levels[i] != a.levels[i - 1] ||
            a.scripts[i] != a.scripts[i - 1] || DrawnAsMissingGlyph(text[i]) ||
            DrawnAsMissingGlyph(text[i - 1])) {
            runs.push_back(Run{i, i + 1});
        } else {
            runs.back().end = i + 1;
        }
        runOf[i] = runs.size() - 1;
    }
    // A run's characters keep together in the visual order (one level), so
    // the runs come in the order their first characters are seen.
    std::vector<std::size_t> order;
    std::vector<bool> seen(runs.size(), false);
    for (std::uint32_t logical : a.visualOrder) {
        const std::size_t r = runOf[logical];
        if (!seen[r]) {
            seen[r] = true;
            order.push_back(r);
        }
    }

    std::int64_t pen = 0;
    std::vector<ShapedGlyph> shaped;
    for (std::size_t r : order) {
        const Run run = runs[r];
        TextFont& face = *faces[run.start];
        const bool rightToLeft = a.levels[run.start] & 1;
        // Colour faces draw what their own tables substitute (keycaps, flags).
        const bool needsShaping =
            !DrawnAsMissingGlyph(text[run.start]) &&
            (rightToLeft || face.color ||
             !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(run.start),
                          text.begin() + static_cast<std::ptrdiff_t>(run.end), IsSimpleCharacter));
        ShapingFont* shaper = needsShaping ? ShaperFor(face, complex) : nullptr;
        if (shaper) {
            shaped.clear();
            shaper->Shape(text, run.start, run.end - run.start, rightToLeft, a.scripts[run.start],
                          shaped);
            for (const ShapedGlyph& g : shaped) {
                line.glyphs.push_back(PlacedGlyph{&face, g.glyph, pen, g.xOffset, g.yOffset,
                                                  g.advance, g.cluster});
                pen += g.advance;
            }
            continue;
        }
        // Glyph by glyph, as the plain path draws (also where no shaper
        // could be had: unshaped, but in order).
        for (std::size_t k = 0; k < run.end - run.start; ++k) {
            const std::size_t i = rightToLeft ? run.end - 1 - k : run.start + k;
            const unsigned glyph = GlyphIndex(face, text[i]);
            const std::int32_t advance = GlyphAdvance(face, glyph);
            line.glyphs.push_back(PlacedGlyph{&face, glyph, pen, 0, 0, advance, i});
            pen += advance;
        }
    }
    line.width = pen;
    return line;
}

}  // namespace scriblane::linuxp
