// Fonts on X11: Win32 sizing from design metrics, fontconfig/Xft realisation, fallback faces, glyph indexes and advances.
#include "platform/linux/x11/x11_font.h"

#include <X11/Xlib.h>
#include <X11/Xft/Xft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "platform/linux/text/text_layout.h"

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

double Scaled(double units, const FontSize& size, double upem) {
    return units * size.emPixels / upem;
}

// The matched face file opened on its own, sized to the unstretched em, so
// that advances come from the hinter as the Windows rasteriser takes them
// (Xft hints a stretched face at the stretched size instead).
void OpenHintFace(const std::string& file, int index, double em, FT_Library& library,
                  FT_Face& face) {
    if (file.empty()) return;
    if (FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        return;
    }
    const auto ppem = static_cast<FT_UInt>(em);
    if (FT_New_Face(library, file.c_str(), index, &face) != 0 ||
        !FT_IS_SCALABLE(face) || FT_Set_Pixel_Sizes(face, ppem, ppem) != 0) {
        if (face) FT_Done_Face(face);
        face = nullptr;
        FT_Done_FreeType(library);
        library = nullptr;
    }
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

bool IsColor(FcPattern* pattern) {
    FcBool color = FcFalse;
    return FcPatternGetBool(pattern, FC_COLOR, 0, &color) == FcResultMatch && color;
}

void RememberFile(FcPattern* match, X11Font& f) {
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
    FcPatternDel(match, XFT_MAX_GLYPH_MEMORY);
    FcPatternAddInteger(match, XFT_MAX_GLYPH_MEMORY, kMaxGlyphMemory);
}

XftFont* OpenFont(::Display* dpy, X11Font& f) {
    FaceMetrics metrics;
    const FontRequest& request = f.request;
    bool& scalable = f.scalable;
    FontSize& size = f.size;
    std::int32_t& ulOffset = f.underlineOffset;
    std::int32_t& ulThick = f.underlineThickness;
    std::int32_t& strike = f.strikeOffset;
    FcPattern* pattern = RequestPattern(request);
    if (!pattern) return nullptr;
    FcResult result;
    FcPattern* match = XftFontMatch(dpy, DefaultScreen(dpy), pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return nullptr;

    // The face's design metrics decide the final size.
    FcPattern* probePattern = FcPatternDuplicate(match);
    XftFont* probe = probePattern ? XftFontOpenPattern(dpy, probePattern) : nullptr;
    if (!probe) {
        if (probePattern) FcPatternDestroy(probePattern);
        FcPatternDestroy(match);
        return nullptr;
    }
    double ulPos = 0, ulSize = 0, strikePos = 0;
    FT_Face ft = XftLockFace(probe);
    scalable = ft && FT_IS_SCALABLE(ft);
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
        // A bitmap face: its pixel metrics are the design.
        metrics.unitsPerEm = std::max(1, probe->ascent + probe->descent);
        metrics.ascent = probe->ascent;
        metrics.descent = probe->descent;
        metrics.avgCharWidth = probe->max_advance_width / 2.0;
        ulPos = 1;
        ulSize = 1;
        strikePos = probe->ascent / 3.0;
    }
    if (ft) XftUnlockFace(probe);
    XftFontClose(dpy, probe);

    size = ComputeFontSize(metrics, request.height, request.width);
    const double upem = metrics.unitsPerEm;
    ulOffset = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(Scaled(ulPos, size, upem))));
    ulThick = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(Scaled(ulSize, size, upem))));
    strike = static_cast<std::int32_t>(std::lround(Scaled(strikePos, size, upem)));

    RememberFile(match, f);
    f.color = IsColor(match);
    f.hintPending = scalable;
    SetFinalSize(match, size);
    XftFont* font = XftFontOpenPattern(dpy, match);
    if (!font) FcPatternDestroy(match);
    return font;
}

bool Covers(::Display* dpy, X11Font& face, const char32_t* chars, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (GlyphIndex(dpy, face, chars[i]) == 0) return false;
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
    // Faces opened, by their pattern in fontconfig's sets (the sort shares them).
    std::unordered_map<FcPattern*, std::unique_ptr<X11Font>> opened;
    // Single characters answered, per presentation.
    std::unordered_map<char32_t, X11Font*> faceOf[3];
};

namespace {

// The language fontconfig gives faces that cover emoji.
constexpr char kEmojiLanguage[] = "und-zsye";

// The chosen face's pattern, as fontconfig's sort reads it; for emoji,
// asking for colour and the emoji language too.
void PrepareFallbacks(::Display* dpy, const X11Font& font, FallbackFaces& fallback) {
    const bool emoji = fallback.emoji;
    FcPattern* pattern = RequestPattern(font.request);
    if (!pattern) return;
    FcPatternDel(pattern, FC_PIXEL_SIZE);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, font.size.emPixels);
    if (emoji) {
        FcPatternAddBool(pattern, FC_COLOR, FcTrue);
        FcLangSet* languages = FcLangSetCreate();
        if (languages) {
            FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(kEmojiLanguage));
            FcPatternAddLangSet(pattern, FC_LANG, languages);
            FcLangSetDestroy(languages);
        }
    }
    // As XftFontMatch prepares a pattern, so the list starts with the chosen face.
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    XftDefaultSubstitute(dpy, DefaultScreen(dpy), pattern);
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
X11Font* FallbackFace(::Display* dpy, const X11Font& font, FallbackFaces& fallback,
                      FcPattern* candidate) {
    auto [it, added] = fallback.opened.try_emplace(candidate);
    if (!added) return it->second.get();
    FcPattern* match = FcFontRenderPrepare(nullptr, fallback.pattern, candidate);
    if (!match) return nullptr;
    auto face = std::make_unique<X11Font>();
    face->realized = true;
    face->size = font.size;
    FcBool scalable = FcTrue;
    FcPatternGetBool(match, FC_SCALABLE, 0, &scalable);
    face->scalable = scalable;
    face->color = IsColor(match);
    RememberFile(match, *face);
    face->hintPending = scalable;
    SetFinalSize(match, font.size);
    face->xft = XftFontOpenPattern(dpy, match);
    if (!face->xft) {
        FcPatternDestroy(match);
        CloseFont(dpy, *face);
        return nullptr;
    }
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
X11Font* FirstFaceWith(::Display* dpy, const X11Font& font, FallbackFaces& fallback,
                       const char32_t* chars, std::size_t count, const bool* color) {
    if (!fallback.prepared) {
        fallback.prepared = true;
        PrepareFallbacks(dpy, font, fallback);
    }
    if (!fallback.pattern) return nullptr;
    if (fallback.emoji && color && *color && !fallback.sorted) {
        // Colour faces are few: most clusters have one candidate or none,
        // which settles the answer without sorting every face.
        if (FcPattern* only = OnlyColourFaceWith(chars, count)) {
            X11Font* face = FallbackFace(dpy, font, fallback, only);
            return face && Covers(dpy, *face, chars, count) ? face : nullptr;
        }
    }
    FcFontSet* sorted = SortedFonts(fallback);
    if (!sorted) return nullptr;
    for (std::size_t i = 0; i < static_cast<std::size_t>(sorted->nfont); ++i) {
        FcPattern* candidate = sorted->fonts[i];
        if (!MayHave(candidate, chars, count, color)) continue;
        if (fallback.trimmed && !fallback.trimmed->Lists(i)) continue;
        X11Font* face = FallbackFace(dpy, font, fallback, candidate);
        if (face && Covers(dpy, *face, chars, count)) return face;
    }
    return nullptr;
}

// The list, its pattern made when a face is first looked for in it (a line
// of emoji alone never needs the text list's).
FallbackFaces& Sorted(X11Font& font, bool emoji) {
    std::unique_ptr<FallbackFaces>& list = emoji ? font.emoji : font.fallback;
    if (!list) {
        list = std::make_unique<FallbackFaces>();
        list->emoji = emoji;
    }
    return *list;
}

void CloseFallbacks(::Display* dpy, std::unique_ptr<FallbackFaces>& list) {
    if (!list) return;
    for (auto& [pattern, face] : list->opened) {
        if (face) CloseFont(dpy, *face);
    }
    list->trimmed.reset();
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

X11Font::X11Font() = default;
X11Font::~X11Font() = default;

X11Font& FaceFor(::Display* dpy, X11Font& font, const char32_t* chars, std::size_t count,
                 Presentation presentation) {
    if (count == 0) return font;
    const bool covered = Covers(dpy, font, chars, count);
    if (covered && (presentation == Presentation::kAny ||
                    font.color == (presentation == Presentation::kEmoji))) {
        return font;
    }
    auto& answered = Sorted(font, false).faceOf[static_cast<int>(presentation)];
    if (count == 1) {
        if (auto it = answered.find(chars[0]); it != answered.end()) return *it->second;
    }
    X11Font* found = nullptr;
    if (presentation != Presentation::kAny) {
        const bool color = presentation == Presentation::kEmoji;
        found = FirstFaceWith(dpy, font, Sorted(font, color), chars, count, &color);
    }
    if (!found) {
        found = covered ? &font : FirstFaceWith(dpy, font, Sorted(font, false), chars, count,
                                                nullptr);
    }
    if (!found) found = &font;
    if (count == 1) answered.emplace(chars[0], found);
    return *found;
}

ShapingFont* ShaperFor(X11Font& face, ComplexText* complex) {
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

bool RealizeFont(::Display* dpy, X11Font& f) {
    if (!f.realized) {
        f.realized = true;
        f.xft = OpenFont(dpy, f);
    }
    return f.xft != nullptr;
}

void CloseFont(::Display* dpy, X11Font& font) {
    CloseFallbacks(dpy, font.fallback);
    CloseFallbacks(dpy, font.emoji);
    font.shaper.reset();
    font.shaperTried = false;
    if (font.xft) XftFontClose(dpy, font.xft);
    font.xft = nullptr;
    if (font.hintFace) FT_Done_Face(font.hintFace);
    if (font.hintLibrary) FT_Done_FreeType(font.hintLibrary);
    font.hintFace = nullptr;
    font.hintLibrary = nullptr;
    font.hintPending = false;
}

unsigned GlyphIndex(::Display* dpy, X11Font& font, char32_t c) {
    if (DrawnAsMissingGlyph(c)) return 0;
    auto [it, added] = font.glyphOf.try_emplace(c, 0);
    if (added) it->second = XftCharIndex(dpy, font.xft, c);
    return it->second;
}

std::int32_t GlyphAdvance(::Display* dpy, X11Font& font, FT_Face, unsigned glyph) {
    auto [known, added] = font.advances.try_emplace(glyph, 0);
    std::int32_t& a = known->second;
    if (added) {
        if (font.hintPending) {
            font.hintPending = false;
            OpenHintFace(font.file, font.faceIndex, font.size.emPixels, font.hintLibrary,
                         font.hintFace);
        }
        if (font.hintFace && FT_Load_Glyph(font.hintFace, glyph, FT_LOAD_DEFAULT) == 0) {
            // Hinted advances are whole pixels; round any that are not.
            a = StretchedAdvance(font.size, (font.hintFace->glyph->advance.x + 32) >> 6);
        } else {
            FT_UInt index = glyph;
            XGlyphInfo info;
            XftGlyphExtents(dpy, font.xft, &index, 1, &info);
            a = info.xOff;
        }
    }
    return a;
}

}  // namespace scriblane::linuxp
