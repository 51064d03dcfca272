// Fonts with no X: Win32 sizing from design metrics, fontconfig matching, FreeType faces,
// fallback and emoji faces, glyph indexes, hinted advances and the shaper.
#include "platform/linux/text/text_font.h"

#include <fontconfig/fontconfig.h>
#include <fontconfig/fcfreetype.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "platform/linux/text/text_layout.h"
#include "platform/linux/text/text_raster.h"

namespace scriblane::linuxp {

FontSize ComputeFontSize(const FaceMetrics& face, std::int32_t height, std::int32_t width) {
    FontSize size;
    const double upem = face.unitsPerEm > 0 ? face.unitsPerEm : 2048;
    double ascentUnits = face.ascent;
    double descentUnits = face.descent;
    if (!(ascentUnits + descentUnits > 0)) {
        ascentUnits = upem * 0.8;
        descentUnits = upem * 0.2;
    }
    const double cellUnits = ascentUnits + descentUnits;
    // 64-bit: the magnitude of INT32_MIN does not fit 32 bits.
    const std::int64_t cell = height == 0 ? kDefaultCellHeight : height;
    double em = cell > 0 ? std::floor((static_cast<double>(cell) * upem + upem / 2) / cellUnits)
                         : -static_cast<double>(cell);
    em = std::clamp(em, 1.0, kMaxEmPixels);
    size.emPixels = em;
    const auto scaled = [&](double units) {
        return static_cast<std::int32_t>(std::floor(units * em / upem + 0.5));
    };
    size.ascent = std::max(0, scaled(ascentUnits));
    size.cell = std::max(1, size.ascent + std::max(0, scaled(descentUnits)));

    size.averageWidth = std::max(1, scaled(face.avgCharWidth > 0 ? face.avgCharWidth : upem / 2));
    // With the default height the width is not looked at.
    const double wanted = height == 0 ? 0 : std::fabs(static_cast<double>(width));
    if (wanted > 0) {
        // Keep the stretched em within the rasteriser's limit.
        const double most = std::max(1.0, std::floor(size.averageWidth * kMaxEmPixels / em));
        size.stretchWidth = static_cast<std::int32_t>(std::min(wanted, most));
        size.xScale = static_cast<double>(size.stretchWidth) / size.averageWidth;
    }
    return size;
}

std::int32_t StretchedAdvance(const FontSize& size, std::int64_t hinted) {
    if (size.stretchWidth <= 0 || hinted <= 0) return static_cast<std::int32_t>(hinted);
    const std::int64_t avg = size.averageWidth;
    return static_cast<std::int32_t>((hinted * size.stretchWidth + avg - 1) / avg);
}

namespace {

constexpr int kMaxGlyphMemory = 64 << 20;
// Xft's name for its glyph memory budget, kept in the pattern it opens.
constexpr char kMaxGlyphMemoryKey[] = "maxglyphmemory";

double Scaled(double units, const FontSize& size, double upem) {
    return units * size.emPixels / upem;
}

// The matched face file opened on its own, sized to the unstretched em, so
// that advances come from the hinter as the Windows rasteriser takes them
// (Xft hints a stretched face at the stretched size instead). A face that
// cannot be sized so (bitmaps only) still gives glyph indexes.
FT_Face OpenHintFace(const std::string& file, int index, double em, bool& sized) {
    sized = false;
    FT_Library library = SharedFreeType();
    FT_Face face = nullptr;
    if (file.empty() || !library || FT_New_Face(library, file.c_str(), index, &face) != 0) {
        return nullptr;
    }
    const auto ppem = static_cast<FT_UInt>(em);
    sized = FT_IS_SCALABLE(face) && FT_Set_Pixel_Sizes(face, ppem, ppem) == 0;
    return face;
}

// The request as fontconfig reads it: face name, weight, slant and, until
// the face's metrics decide the em, a guess at the size.
FcPattern* RequestPattern(const FontRequest& request) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    const std::string face =
        ToUtf8(DecodeText(request.faceName.data(), request.faceName.size()));
    if (!face.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    }
    if (request.weight > 0) {
        FcPatternAddInteger(pattern, FC_WEIGHT,
                            FcWeightFromOpenType(std::clamp(request.weight, 1, 1000)));
    }
    if (request.italic) FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
    const double guess =
        std::clamp(std::fabs(static_cast<double>(request.height)), 1.0, kMaxEmPixels);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, request.height == 0 ? 13.0 : guess);
    return pattern;
}

// The request prepared for matching as Xft prepares it: the configuration's
// rules, the display's defaults (or the ones Xft takes where the server
// says nothing), then fontconfig's own.
void Prepare(const TextFont& font, FcPattern* pattern) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    if (font.substitute) {
        font.substitute(pattern);
    } else {
        AddDisplayDefaults(pattern);
    }
    FcDefaultSubstitute(pattern);
}

bool IsColor(FcPattern* pattern) {
    FcBool color = FcFalse;
    return FcPatternGetBool(pattern, FC_COLOR, 0, &color) == FcResultMatch && color;
}

void RememberFile(FcPattern* match, TextFont& f) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        f.file = reinterpret_cast<const char*>(file);
    }
    FcPatternGetInteger(match, FC_INDEX, 0, &f.faceIndex);
}

// Sets a matched pattern to the final em and stretch.
void SetFinalSize(FcPattern* match, const FontSize& size) {
    FcPatternDel(match, FC_PIXEL_SIZE);
    FcPatternDel(match, FC_SIZE);
    FcPatternAddDouble(match, FC_PIXEL_SIZE, size.emPixels);
    if (size.xScale != 1) {
        FcMatrix matrix;
        FcMatrixInit(&matrix);
        FcMatrix* existing = nullptr;
        if (FcPatternGetMatrix(match, FC_MATRIX, 0, &existing) == FcResultMatch && existing) {
            matrix = *existing;
        }
        FcMatrixScale(&matrix, size.xScale, 1);
        FcPatternDel(match, FC_MATRIX);
        FcPatternAddMatrix(match, FC_MATRIX, &matrix);
    }
    // Xft evicts glyphs past this budget; a huge glyph must not evict the
    // one being drawn.
    FcPatternDel(match, kMaxGlyphMemoryKey);
    FcPatternAddInteger(match, kMaxGlyphMemoryKey, kMaxGlyphMemory);
}

FcPattern* OpenFont(TextFont& f) {
    FaceMetrics metrics;
    const FontRequest& request = f.request;
    bool& scalable = f.scalable;
    FontSize& size = f.size;
    std::int32_t& ulOffset = f.underlineOffset;
    std::int32_t& ulThick = f.underlineThickness;
    std::int32_t& strike = f.strikeOffset;
    FcPattern* pattern = RequestPattern(request);
    if (!pattern) return nullptr;
    Prepare(f, pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return nullptr;

    // The face's design metrics decide the final size.
    RememberFile(match, f);
    FT_Library library = SharedFreeType();
    FT_Face ft = nullptr;
    if (f.file.empty() || !library || FT_New_Face(library, f.file.c_str(), f.faceIndex, &ft) != 0) {
        FcPatternDestroy(match);
        return nullptr;
    }
    double ulPos = 0, ulSize = 0, strikePos = 0;
    scalable = FT_IS_SCALABLE(ft);
    if (scalable) {
        metrics.unitsPerEm = ft->units_per_EM;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
        if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            metrics.ascent = os2->usWinAscent;
            metrics.descent = os2->usWinDescent;
            metrics.avgCharWidth = os2->xAvgCharWidth;
            strikePos = os2->yStrikeoutPosition;
        } else {
            metrics.ascent = ft->ascender;
            metrics.descent = -ft->descender;
            metrics.avgCharWidth = 0;
            strikePos = ft->ascender / 3.0;
        }
        ulPos = -ft->underline_position;
        ulSize = ft->underline_thickness;
    } else {
        // A bitmap face: the pixel metrics of the strike nearest the guess
        // are the design.
        double guess = 13;
        FcPatternGetDouble(match, FC_PIXEL_SIZE, 0, &guess);
        const auto ppem = static_cast<FT_F26Dot6>(guess * 64);
        SetRasterSize(ft, ppem, ppem);
        const std::int32_t ascent = static_cast<std::int32_t>(ft->size->metrics.ascender >> 6);
        const std::int32_t descent = static_cast<std::int32_t>(-(ft->size->metrics.descender >> 6));
        metrics.unitsPerEm = std::max(1, ascent + descent);
        metrics.ascent = ascent;
        metrics.descent = descent;
        metrics.avgCharWidth = static_cast<double>(ft->size->metrics.max_advance >> 6) / 2.0;
        ulPos = 1;
        ulSize = 1;
        strikePos = ascent / 3.0;
    }

    size = ComputeFontSize(metrics, request.height, request.width);
    // The face just read is the one glyph indexes and advances come from:
    // kept, not opened again.
    f.face = ft;
    f.facePending = false;
    f.hintSized = scalable && FT_Set_Pixel_Sizes(ft, static_cast<FT_UInt>(size.emPixels),
                                                 static_cast<FT_UInt>(size.emPixels)) == 0;
    const double upem = metrics.unitsPerEm;
    ulOffset = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(Scaled(ulPos, size, upem))));
    ulThick = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(Scaled(ulSize, size, upem))));
    strike = static_cast<std::int32_t>(std::lround(Scaled(strikePos, size, upem)));

    f.color = IsColor(match);
    SetFinalSize(match, size);
    return match;
}

bool Covers(TextFont& face, const char32_t* chars, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (GlyphIndex(face, chars[i]) == 0) return false;
    }
    return true;
}

}  // namespace

// A pattern of the chosen face sorted by fontconfig, and the faces of that
// list opened so far, at the chosen face's size.
struct FallbackFaces {
    FcPattern* pattern = nullptr;  // the request as sorted, made on first need
    bool prepared = false;
    bool emoji = false;
    FcFontSet* sorted = nullptr;   // sorted on first need; untrimmed
    bool sortTried = false;
    // The text list is fontconfig's trimmed sort, so that a face that adds
    // no character to those before it is passed over.
    std::unique_ptr<TrimmedSort> trimmed;
    // Before that sort is needed, single characters of the text list are
    // looked for among the faces that have them.
    std::unique_ptr<NeededSort> needed;
    std::u32string expected;  // told before the pattern was made
    // Faces opened, by their pattern in fontconfig's sets (the sort shares them).
    std::unordered_map<FcPattern*, std::unique_ptr<TextFont>> opened;
    // Single characters answered, per presentation.
    std::unordered_map<char32_t, TextFont*> faceOf[3];
};

namespace {

// The language fontconfig gives faces that cover emoji.
constexpr char kEmojiLanguage[] = "und-zsye";

// The chosen face's pattern, as fontconfig's sort reads it; for emoji,
// asking for colour and the emoji language too.
void PrepareFallbacks(const TextFont& font, FallbackFaces& fallback) {
    FcPattern* pattern = RequestPattern(font.request);
    if (!pattern) return;
    FcPatternDel(pattern, FC_PIXEL_SIZE);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, font.size.emPixels);
    if (fallback.emoji) {
        FcPatternAddBool(pattern, FC_COLOR, FcTrue);
        FcLangSet* languages = FcLangSetCreate();
        if (languages) {
            FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(kEmojiLanguage));
            FcPatternAddLangSet(pattern, FC_LANG, languages);
            FcLangSetDestroy(languages);
        }
    }
    // Prepared as the chosen face's was, so the list starts with it.
    Prepare(font, pattern);
    fallback.pattern = pattern;
}

// Sorts the pattern on first need, untrimmed: no colour face drops out of
// the emoji list, and the text list is trimmed as it is walked.
FcFontSet* SortedFonts(FallbackFaces& fallback) {
    if (!fallback.sortTried && fallback.pattern) {
        fallback.sortTried = true;
        FcResult result;
        fallback.sorted = FcFontSort(nullptr, fallback.pattern, FcFalse, nullptr, &result);
        if (fallback.sorted && !fallback.emoji) {
            fallback.trimmed = std::make_unique<TrimmedSort>(fallback.sorted);
        }
    }
    return fallback.sorted;
}

// The face `candidate` (a pattern of fontconfig's sets) opened on first use
// at `font`'s em and stretch.
TextFont* FallbackFace(const TextFont& font, FallbackFaces& fallback, FcPattern* candidate) {
    auto [it, added] = fallback.opened.try_emplace(candidate);
    if (!added) return it->second.get();
    FcPattern* match = FcFontRenderPrepare(nullptr, fallback.pattern, candidate);
    if (!match) return nullptr;
    auto face = std::make_unique<TextFont>();
    face->realized = true;
    face->request = font.request;
    face->substitute = font.substitute;
    face->size = font.size;
    FcBool scalable = FcTrue;
    FcPatternGetBool(match, FC_SCALABLE, 0, &scalable);
    face->scalable = scalable;
    face->color = IsColor(match);
    RememberFile(match, *face);
    if (face->file.empty()) {
        FcPatternDestroy(match);
        return nullptr;
    }
    SetFinalSize(match, font.size);
    face->pattern = match;
    it->second = std::move(face);
    return it->second.get();
}

// Whether `candidate` is of colour or without as `color` asks (either when
// null) and its character set has every character.
bool MayHave(FcPattern* candidate, const char32_t* chars, std::size_t count, const bool* color) {
    if (color && IsColor(candidate) != *color) return false;
    FcCharSet* set = nullptr;
    if (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &set) != FcResultMatch) return false;
    for (std::size_t k = 0; k < count; ++k) {
        if (!FcCharSetHasChar(set, chars[k])) return false;
    }
    return true;
}

// The one colour face installed that may have every character, when there
// is exactly one: then it is the first such face of any sort, and the sort
// is not needed. Null when there are none or several.
FcPattern* OnlyColourFaceWith(const char32_t* chars, std::size_t count) {
    const bool colour = true;
    FcPattern* only = nullptr;
    for (const FcSetName name : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(nullptr, name);
        for (int i = 0; set && i < set->nfont; ++i) {
            if (!MayHave(set->fonts[i], chars, count, &colour)) continue;
            if (only) return nullptr;
            only = set->fonts[i];
        }
    }
    return only;
}

// The first face of `fallback` that has every character, of colour or
// without as `color` asks (either when null); null when none has.
TextFont* FirstFaceWith(const TextFont& font, FallbackFaces& fallback, const char32_t* chars,
                        std::size_t count, const bool* color) {
    if (!fallback.prepared) {
        fallback.prepared = true;
        PrepareFallbacks(font, fallback);
    }
    if (!fallback.pattern) return nullptr;
    if (fallback.emoji && color && *color && !fallback.sorted) {
        // Colour faces are few: most clusters have one candidate or none,
        // which settles the answer without sorting every face.
        if (FcPattern* only = OnlyColourFaceWith(chars, count)) {
            TextFont* face = FallbackFace(font, fallback, only);
            return face && Covers(*face, chars, count) ? face : nullptr;
        }
    }
    if (!fallback.emoji && !color && count == 1 && !fallback.sorted) {
        // Sorting every face installed costs more than the rest of a line
        // when there are many; the first face with one character is found
        // without it when the faces that have it settle which.
        if (!fallback.needed) {
            fallback.needed = std::make_unique<NeededSort>(fallback.pattern, font.pattern);
            fallback.needed->Expect(fallback.expected.data(), fallback.expected.size());
        }
        FcPattern* first = nullptr;
        if (fallback.needed->First(chars[0], &first)) {
            if (!first) return nullptr;
            TextFont* face = FallbackFace(font, fallback, first);
            if (face && Covers(*face, chars, count)) return face;
            // Which later faces the trimmed sort lists depends on every
            // face before them: only the whole sort tells.
        }
    }
    FcFontSet* sorted = SortedFonts(fallback);
    if (!sorted) return nullptr;
    for (std::size_t i = 0; i < static_cast<std::size_t>(sorted->nfont); ++i) {
        FcPattern* candidate = sorted->fonts[i];
        if (!MayHave(candidate, chars, count, color)) continue;
        if (fallback.trimmed && !fallback.trimmed->Lists(i)) continue;
        TextFont* face = FallbackFace(font, fallback, candidate);
        if (face && Covers(*face, chars, count)) return face;
    }
    return nullptr;
}

// The list, its pattern made when a face is first looked for in it (a line
// of emoji alone never needs the text list's).
FallbackFaces& Sorted(TextFont& font, bool emoji) {
    std::unique_ptr<FallbackFaces>& list = emoji ? font.emoji : font.fallback;
    if (!list) {
        list = std::make_unique<FallbackFaces>();
        list->emoji = emoji;
    }
    return *list;
}

void CloseFallbacks(std::unique_ptr<FallbackFaces>& list) {
    if (!list) return;
    for (auto& [pattern, face] : list->opened) {
        if (face) CloseTextFont(*face);
    }
    list->trimmed.reset();
    list->needed.reset();
    if (list->sorted) FcFontSetDestroy(list->sorted);
    if (list->pattern) FcPatternDestroy(list->pattern);
    list.reset();
}

}  // namespace

TrimmedSort::~TrimmedSort() {
    if (covered_) FcCharSetDestroy(covered_);
}

bool TrimmedSort::Lists(std::size_t i) {
    if (i >= static_cast<std::size_t>(sorted_->nfont)) return false;
    if (!covered_) {
        covered_ = FcCharSetCreate();
        if (!covered_) return true;  // out of memory: list every face
        listed_.assign(static_cast<std::size_t>(sorted_->nfont), false);
    }
    for (; walked_ <= i; ++walked_) {
        FcCharSet* set = nullptr;
        // A face without a character set is never listed.
        if (FcPatternGetCharSet(sorted_->fonts[walked_], FC_CHARSET, 0, &set) != FcResultMatch) {
            continue;
        }
        FcBool adds = FcFalse;
        if (!FcCharSetMerge(covered_, set, &adds)) return true;
        listed_[walked_] = walked_ == 0 || adds;
    }
    return listed_[i];
}

NeededSort::NeededSort(FcPattern* pattern, FcPattern* lead) : pattern_(pattern) {
    // The sort settles language on the pattern's languages one by one;
    // the reasoning holds for one, a name, as the defaults give it.
    FcValue language, another;
    if (!pattern || !lead || FcPatternGet(pattern, FC_LANG, 0, &language) != FcResultMatch ||
        language.type != FcTypeString || FcPatternGet(pattern, FC_LANG, 1, &another) == FcResultMatch) {
        return;
    }
    // The lead's installed face: a match shares its character set with it,
    // so only faces with that set are compared by file.
    FcChar8* leadFile = nullptr;
    int leadIndex = 0;
    FcCharSet* leadChars = nullptr;
    if (FcPatternGetString(lead, FC_FILE, 0, &leadFile) != FcResultMatch || !leadFile ||
        FcPatternGetCharSet(lead, FC_CHARSET, 0, &leadChars) != FcResultMatch) {
        return;
    }
    FcPatternGetInteger(lead, FC_INDEX, 0, &leadIndex);
    std::size_t total = 0;
    for (const FcSetName name : {FcSetSystem, FcSetApplication}) {
        if (const FcFontSet* set = FcConfigGetFonts(nullptr, name)) total += static_cast<std::size_t>(set->nfont);
    }
    faces_.reserve(total);
    charsets_.reserve(total);
    for (const FcSetName name : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(nullptr, name);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcPattern* face = set->fonts[i];
            FcCharSet* chars = nullptr;
            if (FcPatternGetCharSet(face, FC_CHARSET, 0, &chars) != FcResultMatch) chars = nullptr;
            FcChar8* file = nullptr;
            int index = 0;
            if (!lead_ && chars == leadChars &&
                FcPatternGetString(face, FC_FILE, 0, &file) == FcResultMatch && file &&
                FcStrCmp(file, leadFile) == 0) {
                FcPatternGetInteger(face, FC_INDEX, 0, &index);
                if (index == leadIndex) lead_ = face;
            }
            faces_.push_back(face);
            charsets_.push_back(chars);
        }
    }
    FcLangSet* languages = nullptr;
    usable_ = lead_ && FcPatternGetLangSet(lead_, FC_LANG, 0, &languages) == FcResultMatch &&
              languages && FcLangSetHasLang(languages, language.u.s) != FcLangDifferentLang;
    member_.assign(faces_.size(), false);
}

NeededSort::~NeededSort() {
    if (sorted_) FcFontSetDestroy(sorted_);
}

bool NeededSort::First(char32_t c, FcPattern** face) {
    if (!usable_) return false;
    const bool told = expected_.find(c) != std::u32string::npos;
    bool any = told;  // every face with it is a member, and the lead lacks it
    for (std::size_t i = 0; !told && i < faces_.size(); ++i) {
        if (!charsets_[i] || !FcCharSetHasChar(charsets_[i], c)) continue;
        if (faces_[i] == lead_) return false;  // the lead's own place is not known
        any = true;
        grown_ = grown_ || !member_[i];
        member_[i] = true;
    }
    if (!any) {
        *face = nullptr;
        return true;
    }
    if (grown_ || !sorted_) {
        grown_ = false;
        if (sorted_) FcFontSetDestroy(sorted_);
        sorted_ = nullptr;
        // In fontconfig's own order, so that faces that score alike keep it.
        FcFontSet* some = FcFontSetCreate();
        bool built = some != nullptr;
        for (std::size_t i = 0; built && i < faces_.size(); ++i) {
            if (!member_[i] && faces_[i] != lead_) continue;
            FcPatternReference(faces_[i]);
            if (!FcFontSetAdd(some, faces_[i])) {
                FcPatternDestroy(faces_[i]);
                built = false;
            }
        }
        FcResult result;
        FcFontSet* sets[] = {some};
        if (built) sorted_ = FcFontSetSort(nullptr, sets, 1, pattern_, FcFalse, nullptr, &result);
        if (some) FcFontSetDestroy(some);
        if (!sorted_ || sorted_->nfont == 0 || sorted_->fonts[0] != lead_) {
            usable_ = false;
            return false;
        }
    }
    return Walk(c, face);
}

bool NeededSort::Walk(char32_t c, FcPattern** face) {
    for (int k = 1; k < sorted_->nfont; ++k) {
        FcCharSet* chars = nullptr;
        if (FcPatternGetCharSet(sorted_->fonts[k], FC_CHARSET, 0, &chars) == FcResultMatch &&
            FcCharSetHasChar(chars, c)) {
            *face = sorted_->fonts[k];
            return true;
        }
    }
    // Every face with it was sorted: none has it.
    *face = nullptr;
    return true;
}

void NeededSort::Expect(const char32_t* chars, std::size_t count) {
    if (!usable_ || count == 0) return;
    FcCharSet* leads = nullptr;
    if (FcPatternGetCharSet(lead_, FC_CHARSET, 0, &leads) != FcResultMatch) leads = nullptr;
    std::u32string wanted;
    for (std::size_t k = 0; k < count; ++k) {
        // What the lead has is never answered here.
        if (leads && FcCharSetHasChar(leads, chars[k])) continue;
        if (wanted.find(chars[k]) == std::u32string::npos) wanted += chars[k];
    }
    if (wanted.empty()) return;
    FcCharSet* set = FcCharSetCreate();
    bool made = set != nullptr;
    for (std::size_t k = 0; made && k < wanted.size(); ++k) made = FcCharSetAddChar(set, wanted[k]);
    if (made) {
        // One look at each face for them all: few pages to find.
        for (std::size_t i = 0; i < faces_.size(); ++i) {
            if (member_[i] || !charsets_[i] || faces_[i] == lead_) continue;
            if (FcCharSetIntersectCount(set, charsets_[i]) > 0) {
                member_[i] = true;
                grown_ = true;
            }
        }
        expected_ += wanted;
    }
    if (set) FcCharSetDestroy(set);
}

void ExpectFallbacks(TextFont& font, const char32_t* chars, std::size_t count) {
    FallbackFaces& list = Sorted(font, false);
    if (list.needed) {
        list.needed->Expect(chars, count);
    } else {
        list.expected.append(chars, count);
    }
}

TextFont::TextFont() = default;
TextFont::~TextFont() { CloseTextFont(*this); }

TextFont& FaceFor(TextFont& font, const char32_t* chars, std::size_t count,
                  Presentation presentation) {
    if (count == 0) return font;
    const bool covered = Covers(font, chars, count);
    if (covered && (presentation == Presentation::kAny ||
                    font.color == (presentation == Presentation::kEmoji))) {
        return font;
    }
    auto& answered = Sorted(font, false).faceOf[static_cast<int>(presentation)];
    if (count == 1) {
        if (auto it = answered.find(chars[0]); it != answered.end()) return *it->second;
    }
    TextFont* found = nullptr;
    if (presentation != Presentation::kAny) {
        const bool color = presentation == Presentation::kEmoji;
        found = FirstFaceWith(font, Sorted(font, color), chars, count, &color);
    }
    if (!found) {
        found = covered ? &font : FirstFaceWith(font, Sorted(font, false), chars, count, nullptr);
    }
    if (!found) found = &font;
    if (count == 1) answered.emplace(chars[0], found);
    return *found;
}

ShapingFont* ShaperFor(TextFont& face, ComplexText* complex) {
    if (!face.shaperTried && complex) {
        face.shaperTried = true;
        if (!face.file.empty()) {
            const double em = face.size.emPixels;
            face.shaper = complex->OpenFont(face.file.c_str(), face.faceIndex,
                                            static_cast<int>(std::lround(em * face.size.xScale)),
                                            static_cast<int>(em));
        }
    }
    return face.shaper.get();
}

bool RealizeTextFont(TextFont& f) {
    if (!f.realized) {
        f.realized = true;
        f.pattern = OpenFont(f);
    }
    return f.pattern != nullptr;
}

void CloseTextFont(TextFont& font) {
    // Painters' resources first: they may hold the faces below.
    font.xft.reset();
    font.raster.reset();
    CloseFallbacks(font.fallback);
    CloseFallbacks(font.emoji);
    font.shaper.reset();
    font.shaperTried = false;
    if (font.face) FT_Done_Face(font.face);
    font.face = nullptr;
    font.facePending = true;
    font.hintSized = false;
    if (font.pattern) FcPatternDestroy(font.pattern);
    font.pattern = nullptr;
    font.glyphOf.clear();
    font.advances.clear();
}

namespace {

FT_Face HintFace(TextFont& font) {
    if (font.facePending) {
        font.facePending = false;
        font.face = OpenHintFace(font.file, font.faceIndex, font.size.emPixels, font.hintSized);
        if (font.face && !font.scalable) font.hintSized = false;
    }
    return font.face;
}

}  // namespace

unsigned GlyphIndex(TextFont& font, char32_t c) {
    if (DrawnAsMissingGlyph(c)) return 0;
    auto [it, added] = font.glyphOf.try_emplace(c, 0);
    if (added && font.pattern) {
        // Only what the face's character set claims, as Xft looks it up.
        FcCharSet* set = nullptr;
        if (FcPatternGetCharSet(font.pattern, FC_CHARSET, 0, &set) == FcResultMatch && set &&
            !FcCharSetHasChar(set, c)) {
            return 0;
        }
        if (FT_Face face = HintFace(font)) it->second = FcFreeTypeCharIndex(face, c);
    }
    return it->second;
}

std::int32_t GlyphAdvance(TextFont& font, unsigned glyph) {
    auto [known, added] = font.advances.try_emplace(glyph, 0);
    std::int32_t& a = known->second;
    if (added) {
        FT_Face face = HintFace(font);
        if (face && font.hintSized && FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0) {
            // Hinted advances are whole pixels; round any that are not.
            a = StretchedAdvance(font.size, (face->glyph->advance.x + 32) >> 6);
        } else {
            // The rasteriser's own, as it draws the face.
            a = RasterAdvance(font, glyph);
        }
    }
    return a;
}

}  // namespace scriblane::linuxp
