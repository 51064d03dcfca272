// The shaping module: FriBidi orders a line, HarfBuzz scripts and shapes it, Unicode's emoji
// properties tell emoji from text.
#include <fribidi.h>
#include <hb.h>

#include <algorithm>
#include <climits>
#include <numeric>

#include "platform/linux/text/complex_text.h"
#include "platform/linux/text/emoji_properties.h"

namespace scriblane::linuxp {

namespace {

bool IsEmojiModifier(char32_t c) { return c >= 0x1F3FB && c <= 0x1F3FF; }
bool IsRegionalIndicator(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }
bool IsVariationSelector(char32_t c) {
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF);
}

constexpr char32_t kTextSelector = 0xFE0E, kEmojiSelector = 0xFE0F, kJoiner = 0x200D;
constexpr char32_t kCancelTag = 0xE007F;

bool Has(char32_t c, EmojiProperty property) { return (EmojiProperties(c) & property) != 0; }

// How the cluster text[begin, end) asks to be presented, by Unicode's emoji
// rules: a selector right after the base decides; else a default emoji, a
// flag, a modifier, tag or ZWJ sequence of emoji is emoji; anything else is
// left to the sort.
Presentation ClusterPresentation(const std::u32string& text, std::size_t begin, std::size_t end) {
    const char32_t base = text[begin];
    if (!Has(base, kEmoji) && !Has(base, kExtendedPictographic) &&
        !Has(base, kRegionalIndicator)) {
        return Presentation::kAny;
    }
    const char32_t next = end - begin > 1 ? text[begin + 1] : 0;
    if (next == kTextSelector) return Presentation::kText;
    if (next == kEmojiSelector || Has(base, kEmojiPresentation) ||
        Has(base, kRegionalIndicator) ||
        (Has(base, kEmojiModifierBase) && Has(next, kEmojiModifier)) ||
        (text[end - 1] == kCancelTag && end - begin > 2)) {
        return Presentation::kEmoji;
    }
    for (std::size_t i = begin + 1; i + 1 < end; ++i) {
        if (text[i] == kJoiner && Has(text[i + 1], kExtendedPictographic)) {
            return Presentation::kEmoji;
        }
    }
    return Presentation::kAny;
}

// Scripts whose text Windows draws unkerned; the same text keeps its
// look when a mark or a fallback face sends it through the shaper.
bool IsUnkernedScript(hb_script_t s) {
    switch (s) {
        case HB_SCRIPT_LATIN:
        case HB_SCRIPT_GREEK:
        case HB_SCRIPT_CYRILLIC:
        case HB_SCRIPT_ARMENIAN:
        case HB_SCRIPT_GEORGIAN:
        case HB_SCRIPT_COMMON:
        case HB_SCRIPT_INHERITED:
            return true;
        default:
            return false;
    }
}

class HbShapingFont final : public ShapingFont {
public:
    explicit HbShapingFont(hb_font_t* font) : font_(font), buffer_(hb_buffer_create()) {}
    ~HbShapingFont() override {
        hb_buffer_destroy(buffer_);
        hb_font_destroy(font_);
    }
    HbShapingFont(const HbShapingFont&) = delete;
    HbShapingFont& operator=(const HbShapingFont&) = delete;

    void Shape(const std::u32string& text, std::size_t start, std::size_t length,
               bool rightToLeft, std::uint32_t script, std::vector<ShapedGlyph>& out) override {
        // The shaper looks at a few characters of context either side; a
        // window keeps offsets within its int arguments on any line length.
        constexpr std::size_t kContext = 32;
        if (start > text.size() || length > text.size() - start || length > INT_MAX / 2) return;
        const std::size_t from = start - std::min(start, kContext);
        const std::size_t to = std::min(text.size(), start + length + kContext);
        hb_buffer_clear_contents(buffer_);
        hb_buffer_add_utf32(buffer_, reinterpret_cast<const std::uint32_t*>(text.data() + from),
                            static_cast<int>(to - from), static_cast<unsigned>(start - from),
                            static_cast<int>(length));
        // At the text's ends the shaper may treat a lone mark as the start of a cluster.
        hb_buffer_set_flags(buffer_, static_cast<hb_buffer_flags_t>(
                                         (start == 0 ? HB_BUFFER_FLAG_BOT : 0) |
                                         (start + length == text.size() ? HB_BUFFER_FLAG_EOT : 0)));
        hb_buffer_set_direction(buffer_, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        const auto hbScript = static_cast<hb_script_t>(script);
        hb_buffer_set_script(buffer_, hbScript);
        hb_buffer_set_language(buffer_, hb_language_get_default());
        static const hb_feature_t kNoKerning{HB_TAG('k', 'e', 'r', 'n'), 0, 0, ~0u};
        const bool unkerned = IsUnkernedScript(hbScript);
        hb_shape(font_, buffer_, unkerned ? &kNoKerning : nullptr, unkerned ? 1 : 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
        const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, nullptr);
        for (unsigned i = 0; i < count; ++i) {
            out.push_back(ShapedGlyph{info[i].codepoint,
                                      static_cast<std::uint32_t>(info[i].cluster + from),
                                      pos[i].x_advance, pos[i].x_offset, pos[i].y_offset});
        }
    }

private:
    hb_font_t* font_;
    hb_buffer_t* buffer_;
};

class HbComplexText final : public ComplexText {
public:
    LineAnalysis Analyse(const std::u32string& line) override {
        static_assert(kCommonScript == HB_SCRIPT_COMMON);
        const std::size_t n = line.size();
        LineAnalysis a = PlainAnalysis(n);
        if (n == 0) return a;

        if (n <= INT_MAX / 4) Order(line, a);

        hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
        hb_script_t last = HB_SCRIPT_INVALID;
        std::size_t unresolved = 0;  // characters before the first real script
        std::size_t regional = 0;    // regional indicators in a row
        for (std::size_t i = 0; i < n; ++i) {
            const char32_t c = line[i];
            const hb_script_t s = hb_unicode_script(unicode, c);
            if (s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN) {
                if (last == HB_SCRIPT_INVALID) {
                    ++unresolved;
                } else {
                    a.scripts[i] = last;
                }
            } else {
                a.scripts[i] = last = s;
                if (unresolved > 0) {
                    std::fill_n(a.scripts.begin() + static_cast<std::ptrdiff_t>(i - unresolved),
                                unresolved, s);
                    unresolved = 0;
                }
            }
            const hb_unicode_general_category_t gc = hb_unicode_general_category(unicode, c);
            const bool mark = gc == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
                              gc == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
                              gc == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
            a.ignorable[i] = gc == HB_UNICODE_GENERAL_CATEGORY_FORMAT || IsVariationSelector(c);
            regional = IsRegionalIndicator(c) ? regional + 1 : 0;
            a.continues[i] = i > 0 && (mark || a.ignorable[i] || IsEmojiModifier(c) ||
                                       line[i - 1] == kJoiner || (regional > 0 && regional % 2 == 0));
        }
        for (std::size_t i = 0; i < n;) {
            std::size_t end = i + 1;
            while (end < n && a.continues[end]) ++end;
            std::fill(a.presentation.begin() + static_cast<std::ptrdiff_t>(i),
                      a.presentation.begin() + static_cast<std::ptrdiff_t>(end),
                      ClusterPresentation(line, i, end));
            i = end;
        }
        return a;
    }

    std::unique_ptr<ShapingFont> OpenFont(const char* file, int index, int xPixels,
                                          int yPixels) override {
        hb_blob_t* blob = hb_blob_create_from_file_or_fail(file);
        if (!blob) return nullptr;
        hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(std::max(0, index)));
        hb_blob_destroy(blob);
        if (hb_face_get_glyph_count(face) == 0) {
            hb_face_destroy(face);
            return nullptr;
        }
        hb_font_t* font = hb_font_create(face);
        hb_face_destroy(face);
        hb_font_set_scale(font, xPixels, yPixels);
        return std::make_unique<HbShapingFont>(font);
    }

private:
    // Levels and visual order by the bidirectional algorithm, the paragraph
    // left to right; marks stay where the shaper expects them.
    static void Order(const std::u32string& line, LineAnalysis& a) {
        const auto n = static_cast<FriBidiStrIndex>(line.size());
        const auto* text = reinterpret_cast<const FriBidiChar*>(line.data());
        std::vector<FriBidiCharType> types(line.size());
        std::vector<FriBidiBracketType> brackets(line.size());
        std::vector<FriBidiLevel> levels(line.size());
        std::vector<FriBidiStrIndex> map(line.size());
        std::iota(map.begin(), map.end(), 0);
        fribidi_get_bidi_types(text, n, types.data());
        fribidi_get_bracket_types(text, n, types.data(), brackets.data());
        FriBidiParType base = FRIBIDI_PAR_LTR;
        if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base,
                                                levels.data()) == 0 ||
            fribidi_reorder_line(0, types.data(), n, 0, base, levels.data(), nullptr,
                                 map.data()) == 0) {
            return;  // left as one left-to-right run
        }
        for (std::size_t i = 0; i < line.size(); ++i) {
            a.levels[i] = static_cast<std::uint8_t>(levels[i]);
            a.visualOrder[i] = static_cast<std::uint32_t>(map[i]);
        }
    }
};

}  // namespace

}  // namespace scriblane::linuxp

extern "C" __attribute__((visibility("default"))) scriblane::linuxp::ComplexText*
scriblane_create_complex_text() {
    return new scriblane::linuxp::HbComplexText();
}
