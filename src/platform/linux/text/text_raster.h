// Glyphs rasterised as Xft rasterises them, with FreeType alone: the face
// sized from the fontconfig pattern, its load flags and render mode.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

struct _FcPattern;

namespace scriblane::linuxp {

struct TextFont;

// The process's FreeType library, made on first use; null when it cannot be.
FT_Library SharedFreeType();

// What Xft adds to a pattern where the X server says nothing: antialiased,
// hinted, no subpixel order known.
void AddDisplayDefaults(_FcPattern* pattern);

// Sizes `face` to `xsize` by `ysize` (26.6 pixels); a face of bitmaps only
// takes its strike nearest in height, then in width. False when it cannot.
bool SetRasterSize(FT_Face face, FT_F26Dot6 xsize, FT_F26Dot6 ysize);

// A face as Xft opens a pattern, at `scale` times its pixel size.
struct RasterFace {
    FT_Face face = nullptr;
    FT_Int32 loadFlags = 0;
    FT_Render_Mode mode = FT_RENDER_MODE_NORMAL;
    bool transform = false;  // a matrix (the stretch) other than the identity
    FT_Matrix matrix{0x10000, 0, 0, 0x10000};
    bool embolden = false;
};

// `font`'s face at `scale`, opened on first use and kept with the font;
// null when it cannot be opened.
RasterFace* RasterFaceAt(TextFont& font, double scale);

// The advance of `glyph` as the rasteriser gives it at scale 1, rounded.
std::int32_t RasterAdvance(TextFont& font, unsigned glyph);

}  // namespace scriblane::linuxp
