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
    FT_Done_Face(ft);

    size = ComputeFontSize(metrics, request.height, request.width);
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
    FcPattern* pattern = nullptr;  // the request as sorted
    FcFontSet* sorted = nullptr;
    std::vector<std::unique_ptr<TextFont>> faces;  // per sorted face; null: not opened
    std::vector<bool> tried;
    // Single characters answered, per presentation.
    std::unordered_map<char32_t, TextFont*> faceOf[3];
};

namespace {

// The language fontconfig gives faces that cover emoji.
constexpr char kEmojiLanguage[] = "und-zsye";

// Sorts the chosen face's pattern; for emoji, asking for colour and the
// emoji language too, untrimmed so that no colour face drops out of the list.
void SortFallbacks(const TextFont& font, FallbackFaces& fallback, bool emoji) {
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
    // Prepared as the chosen face's was, so the list starts with it.
    Prepare(font, pattern);
    FcResult result;
    fallback.pattern = pattern;
    fallback.sorted = FcFontSort(nullptr, pattern, emoji ? FcFalse : FcTrue, nullptr, &result);
    if (fallback.sorted) {
        fallback.faces.resize(static_cast<std::size_t>(fallback.sorted->nfont));
        fallback.tried.resize(fallback.faces.size());
    }
}

// The sorted face `i`, opened on first use at `font`'s em and stretch.
TextFont* FallbackFace(const TextFont& font, FallbackFaces& fallback, std::size_t i) {
    if (fallback.tried[i]) return fallback.faces[i].get();
    fallback.tried[i] = true;
    FcPattern* match = FcFontRenderPrepare(nullptr, fallback.pattern, fallback.sorted->fonts[i]);
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
    fallback.faces[i] = std::move(face);
    return fallback.faces[i].get();
}

// The first face of `fallback` that has every character, of colour or
// without as `color` asks (either when null); null when none has.
TextFont* FirstFaceWith(const TextFont& font, FallbackFaces& fallback,
                       const char32_t* chars, std::size_t count, const bool* color) {
    for (std::size_t i = 0; i < fallback.faces.size(); ++i) {
        FcPattern* candidate = fallback.sorted->fonts[i];
        if (color && IsColor(candidate) != *color) continue;
        FcCharSet* set = nullptr;
        if (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &set) != FcResultMatch) continue;
        bool all = true;
        for (std::size_t k = 0; all && k < count; ++k) all = FcCharSetHasChar(set, chars[k]);
        if (!all) continue;
        TextFont* face = FallbackFace(font, fallback, i);
        if (face && Covers(*face, chars, count)) return face;
    }
    return nullptr;
}

FallbackFaces& Sorted(TextFont& font, bool emoji) {
    std::unique_ptr<FallbackFaces>& list = emoji ? font.emoji : font.fallback;
    if (!list) {
        list = std::make_unique<FallbackFaces>();
        SortFallbacks(font, *list, emoji);
    }
    return *list;
}

void CloseFallbacks(std::unique_ptr<FallbackFaces>& list) {
    if (!list) return;
    for (auto& face : list->faces) {
        if (face) CloseTextFont(*face);
    }
    if (list->sorted) FcFontSetDestroy(list->sorted);
    if (list->pattern) FcPatternDestroy(list->pattern);
    list.reset();
}

}  // namespace

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
