// Fonts with no X: Win32 sizing from design metrics, fontconfig matching, FreeType faces,
// fallback and emoji faces, glyph indexes, hinted advances and the shaper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <functional>
#include <vector>

#include "platform/linux/text/complex_text.h"
#include "platform/platform.h"

struct _FcPattern;
struct _FcFontSet;
struct _FcCharSet;
struct FT_FaceRec_;

namespace scriblane::linuxp {

// Font sizing in Win32 terms from the face's design metrics (font units).
struct FaceMetrics {
    double unitsPerEm = 2048;
    double ascent = 1854;     // the cell above the baseline (usWinAscent)
    double descent = 434;     // the cell below it (usWinDescent)
    double avgCharWidth = 0;  // xAvgCharWidth; 0 when unknown
};

struct FontSize {
    double emPixels = 0;     // what reaches the rasteriser: whole pixels per em
    double xScale = 1;       // horizontal stretch: stretchWidth / averageWidth
    std::int32_t cell = 0;   // ascent + descent in pixels
    std::int32_t ascent = 0;
    std::int32_t averageWidth = 1;  // average character width unstretched
    std::int32_t stretchWidth = 0;  // average width asked for; 0: unstretched
};

// Largest em the rasteriser is asked for, either way; bigger requests are
// drawn at this size so a stored absurd value cannot exhaust memory.
inline constexpr double kMaxEmPixels = 2048;
// Cell height of the "system font" and of a request for height 0.
inline constexpr std::int32_t kDefaultCellHeight = 16;

// height > 0: cell height; < 0: em (character) height; 0: the default.
// width > 0 (or its magnitude when negative): average character width;
// 0: natural width, as is any width with the default height.
// The em is a whole number of pixels (the hinter works on whole sizes), the
// one whose scaled cell is nearest the requested cell with halves going
// down, and ascent and descent are each rounded: so the cell can come out a
// pixel off the request, as the Windows font mapper's does.
FontSize ComputeFontSize(const FaceMetrics& face, std::int32_t height, std::int32_t width);

// A glyph's advance in a font of `size`, from its hinted advance at the
// unstretched em: stretched and rounded up, so that stretched text keeps
// the whole-pixel advances that the unstretched one has.
std::int32_t StretchedAdvance(const FontSize& size, std::int64_t hinted);

// fontconfig's trimmed sort read off its untrimmed one, lazily: the sorted
// face `i` is listed when it adds a character to the faces before it (or is
// the first). Finding the first face with a character merges only the
// character sets up to that face, where the trimmed sort merges them all.
class TrimmedSort {
public:
    explicit TrimmedSort(const _FcFontSet* untrimmed) : sorted_(untrimmed) {}
    ~TrimmedSort();
    TrimmedSort(const TrimmedSort&) = delete;
    TrimmedSort& operator=(const TrimmedSort&) = delete;

    bool Lists(std::size_t i);

private:
    const _FcFontSet* sorted_;
    _FcCharSet* covered_ = nullptr;  // the faces' characters up to walked_
    std::size_t walked_ = 0;
    std::vector<bool> listed_;
};

// The first face of fontconfig's untrimmed sort of a (prepared) pattern
// whose character set has a character, without scoring every face
// installed: only the faces that have a character asked for so far are
// sorted, together with `lead`, a face of the pattern's language. The
// sort ranks faces on their own scores but for language, where only the
// first face of the pattern's language keeps its score. While the lead
// comes first among the faces sorted and has that language, none of the
// others keeps it in either sort, so their order is the one of the sort
// of every face; and the first face with a character always adds it to
// the faces before it, so the trimmed sort lists it too.
class NeededSort {
public:
    // `pattern` is kept (it must outlive this); the lead is the installed
    // face `lead` is, or was matched from.
    NeededSort(_FcPattern* pattern, _FcPattern* lead);
    ~NeededSort();
    NeededSort(const NeededSort&) = delete;
    NeededSort& operator=(const NeededSort&) = delete;

    // True when the answer is known: `*face` is the sort's first face
    // whose character set has `c`, null when none has. False when only
    // the sort of every face can tell: the pattern has other than one
    // language, the lead is not found, lacks the language, has `c` or
    // does not come first.
    bool First(char32_t c, _FcPattern** face);
    // Characters to be asked for later: the faces that have them are
    // sorted with the next answer, so that one sort serves them all.
    void Expect(const char32_t* chars, std::size_t count);

private:
    // The first sorted face after the lead with `c`, every face with it sorted.
    bool Walk(char32_t c, _FcPattern** face);

    bool usable_ = false;
    _FcPattern* pattern_;
    _FcPattern* lead_ = nullptr;
    std::vector<_FcPattern*> faces_;      // every face, in fontconfig's order
    std::vector<_FcCharSet*> charsets_;   // theirs (null: none)
    std::vector<bool> member_;            // sorted: has a character asked for
    bool grown_ = false;                  // members not sorted yet
    std::u32string expected_;             // told, and every face with them a member
    _FcFontSet* sorted_ = nullptr;        // the lead and the members, sorted
};

struct FallbackFaces;

// What a painter keeps with a face (its own open font, its rasterised
// glyphs), freed with the face.
struct FaceResource {
    virtual ~FaceResource() = default;
};

// A requested font and, once realised, the face that draws it: the matched
// fontconfig pattern at its final size and stretch (what a rasteriser opens,
// Xft included), its metrics and a FreeType face of its own for glyph
// indexes and advances.
struct TextFont {
    TextFont();
    ~TextFont();
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

    FontRequest request;
    bool stock = false;
    bool realized = false;  // RealizeTextFont() tried
    // Called on the request's pattern before fontconfig's own defaults, as
    // Xft adds the X server's (its resources, the screen's subpixel order);
    // unset, the defaults Xft takes where the server says nothing.
    // Fallback faces inherit it.
    std::function<void(_FcPattern*)> substitute;
    _FcPattern* pattern = nullptr;  // null when no face could be opened
    FontSize size;
    bool scalable = true;
    bool color = false;  // a face of colour glyphs (fontconfig's color)
    std::int32_t underlineOffset = 1;  // below the baseline
    std::int32_t underlineThickness = 1;
    std::int32_t strikeOffset = 0;  // above the baseline
    // The face as the hinter sees it at the unstretched em, opened when
    // first needed: glyph indexes, and advances as the Windows rasteriser
    // takes them; null when the file could not be opened.
    bool facePending = true;
    FT_FaceRec_* face = nullptr;
    bool hintSized = false;  // sized to the em: its advances are the hinter's
    std::unordered_map<char32_t, unsigned> glyphOf;
    std::unordered_map<unsigned, std::int32_t> advances;  // per glyph index
    // The face's file, for the shaper and the rasteriser; empty when
    // fontconfig named none.
    std::string file;
    int faceIndex = 0;
    bool shaperTried = false;
    std::unique_ptr<ShapingFont> shaper;
    // Faces for the characters this one lacks, sorted once on first need;
    // colour emoji faces, sorted once on the first cluster that asks for one.
    std::unique_ptr<FallbackFaces> fallback;
    std::unique_ptr<FallbackFaces> emoji;
    // The painters' own: the X painter's Xft font, the image painter's faces.
    std::unique_ptr<FaceResource> xft;
    std::unique_ptr<FaceResource> raster;
};

// Matches and sizes the face for `font.request` on first call; true when
// it can draw.
bool RealizeTextFont(TextFont& font);
// Frees the face, its fallback faces and what painters kept with them.
void CloseTextFont(TextFont& font);

// The face that draws the cluster `chars` for `font` (realised): the font
// itself when it has every one, else the first face of fontconfig's sort of
// the font's pattern that has them all (the order a toolkit's fallback
// takes), at the font's em and stretch; the font itself when none has.
// A cluster of emoji presentation takes the first colour face that has it
// all from a sort of the pattern asking for colour and the emoji language,
// one of text presentation the first face without colour (the font itself
// included); either falls back to the rule above when no such face has it.
// Faces and answers are remembered in the font: one sort of each kind per font.
TextFont& FaceFor(TextFont& font, const char32_t* chars, std::size_t count,
                  Presentation presentation = Presentation::kAny);

// The characters a line will look for fallback faces for one at a time,
// told before the first is looked for: the faces that have them are then
// sorted together, once.
void ExpectFallbacks(TextFont& font, const char32_t* chars, std::size_t count);

// The shaper for a realised face, made on first use; null without the
// shaping module or when the face's file cannot be shaped.
ShapingFont* ShaperFor(TextFont& face, ComplexText* complex);

// The face's glyph index for `c` (0: none), remembered per font; 0 for a
// control drawn as the missing glyph (DrawnAsMissingGlyph).
unsigned GlyphIndex(TextFont& font, char32_t c);
// Horizontal advance of `glyph` in whole pixels, remembered per font: the
// hinted advance at the unstretched em, stretched (StretchedAdvance).
std::int32_t GlyphAdvance(TextFont& font, unsigned glyph);

}  // namespace scriblane::linuxp
