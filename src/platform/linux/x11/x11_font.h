// Fonts on X11: Win32 sizing from design metrics, fontconfig/Xft realisation, glyph indexes and advances.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

struct _XDisplay;
struct _XftFont;
struct FT_FaceRec_;
struct FT_LibraryRec_;

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

// A requested font and, once realised, the Xft face that draws it.
struct X11Font {
    FontRequest request;
    bool stock = false;
    bool realized = false;      // RealizeFont() tried
    _XftFont* xft = nullptr;    // null when no face could be opened
    FontSize size;
    bool scalable = true;
    std::int32_t underlineOffset = 1;  // below the baseline
    std::int32_t underlineThickness = 1;
    std::int32_t strikeOffset = 0;  // above the baseline
    // The face as the hinter sees it at the unstretched em, for advances;
    // null when it could not be opened (the rasteriser's own are used).
    FT_LibraryRec_* hintLibrary = nullptr;
    FT_FaceRec_* hintFace = nullptr;
    std::unordered_map<char32_t, unsigned> glyphOf;
    std::vector<std::int32_t> advances;  // per glyph index; INT32_MIN: not known yet
};

// Opens the face for `font.request` on first call; true when it can draw.
bool RealizeFont(_XDisplay* dpy, X11Font& font);
// Closes the face, if one was opened.
void CloseFont(_XDisplay* dpy, X11Font& font);

// The face's glyph index for `c` (0: none), remembered per font.
unsigned GlyphIndex(_XDisplay* dpy, X11Font& font, char32_t c);
// Horizontal advance of `glyph` in whole pixels, remembered per font: the
// hinted advance at the unstretched em, stretched (StretchedAdvance).
// `face` is the font's locked Xft face, or null when it could not be
// locked; without a hinting face the rasteriser's own extents are used.
std::int32_t GlyphAdvance(_XDisplay* dpy, X11Font& font, FT_FaceRec_* face, unsigned glyph);

}  // namespace scriblane::linuxp
