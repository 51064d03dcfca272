// Fonts on X11: Win32 sizing from design metrics, fontconfig/Xft realisation, glyph indexes and advances.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

struct _XDisplay;
struct _XftFont;
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
    double emPixels = 0;     // what reaches the rasteriser
    double xScale = 1;       // horizontal stretch
    std::int32_t cell = 0;   // ascent + descent in pixels
    std::int32_t ascent = 0;
};

// Largest em the rasteriser is asked for, either way; bigger requests are
// drawn at this size so a stored absurd value cannot exhaust memory.
inline constexpr double kMaxEmPixels = 2048;
// Cell height of the "system font" and of a request for height 0.
inline constexpr std::int32_t kDefaultCellHeight = 16;

// height > 0: cell height; < 0: em (character) height; 0: the default.
// width > 0 (or its magnitude when negative): average character width;
// 0: natural width.
FontSize ComputeFontSize(const FaceMetrics& face, std::int32_t height, std::int32_t width);

// A requested font and, once realised, the Xft face that draws it.
struct X11Font {
    FontRequest request;
    bool stock = false;
    bool realized = false;      // RealizeFont() tried
    _XftFont* xft = nullptr;    // null when no face could be opened
    FontSize size;
    bool scalable = true;
    double unitsPerEm = 2048;
    std::int32_t underlineOffset = 1;  // below the baseline
    std::int32_t underlineThickness = 1;
    std::int32_t strikeOffset = 0;  // above the baseline
    std::unordered_map<char32_t, unsigned> glyphOf;
    std::vector<std::int32_t> advances;  // per glyph index; INT32_MIN: not known yet
};

// Opens the face for `font.request` on first call; true when it can draw.
bool RealizeFont(_XDisplay* dpy, X11Font& font);
// Closes the face, if one was opened.
void CloseFont(_XDisplay* dpy, X11Font& font);

// The face's glyph index for `c` (0: none), remembered per font.
unsigned GlyphIndex(_XDisplay* dpy, X11Font& font, char32_t c);
// Horizontal advance of `glyph` in whole pixels, remembered per font.
// `face` is the font's locked FreeType face, or null when it could not be
// locked (the rasteriser's own extents are used then).
std::int32_t GlyphAdvance(_XDisplay* dpy, X11Font& font, FT_FaceRec_* face, unsigned glyph);

}  // namespace scriblane::linuxp
