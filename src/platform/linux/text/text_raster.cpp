// Glyphs rasterised as Xft rasterises them, with FreeType alone: the face
// sized from the fontconfig pattern, its load flags and render mode.
#include "platform/linux/text/text_raster.h"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/linux/text/text_font.h"

namespace scriblane::linuxp {

FT_Library SharedFreeType() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return library;
}

void AddDisplayDefaults(FcPattern* pattern) {
    FcValue ignored;
    const auto addBool = [&](const char* key, FcBool value) {
        if (FcPatternGet(pattern, key, 0, &ignored) == FcResultNoMatch) {
            FcPatternAddBool(pattern, key, value);
        }
    };
    const auto addInteger = [&](const char* key, int value) {
        if (FcPatternGet(pattern, key, 0, &ignored) == FcResultNoMatch) {
            FcPatternAddInteger(pattern, key, value);
        }
    };
    addBool(FC_ANTIALIAS, FcTrue);
    addBool(FC_EMBOLDEN, FcFalse);
    addBool(FC_HINTING, FcTrue);
    addInteger(FC_HINT_STYLE, FC_HINT_FULL);
    addBool(FC_AUTOHINT, FcFalse);
    addInteger(FC_RGBA, FC_RGBA_UNKNOWN);
    addInteger(FC_LCD_FILTER, FC_LCD_DEFAULT);
    addBool(FC_MINSPACE, FcFalse);
}

namespace {

// The strike of a face of bitmaps only nearest `ysize`, then `xsize`.
int BestStrike(FT_Face face, FT_F26Dot6 xsize, FT_F26Dot6 ysize) {
    int best = 0;
    const auto distance = [](FT_Pos a, FT_Pos b) { return a > b ? a - b : b - a; };
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size& s = face->available_sizes[i];
        const FT_Bitmap_Size& b = face->available_sizes[best];
        const FT_Pos dy = distance(ysize, s.y_ppem), by = distance(ysize, b.y_ppem);
        if (dy < by || (dy == by && distance(xsize, s.x_ppem) < distance(xsize, b.x_ppem))) {
            best = i;
        }
    }
    return best;
}

}  // namespace

bool SetRasterSize(FT_Face face, FT_F26Dot6 xsize, FT_F26Dot6 ysize) {
    if (FT_IS_SCALABLE(face)) return FT_Set_Char_Size(face, xsize, ysize, 0, 0) == 0;
    if (face->num_fixed_sizes <= 0) return false;
    const FT_Bitmap_Size& s = face->available_sizes[BestStrike(face, xsize, ysize)];
    return FT_Set_Char_Size(face, s.x_ppem, s.y_ppem, 0, 0) == 0 ||
           FT_Set_Char_Size(face, s.width << 6, s.height << 6, 0, 0) == 0;
}

namespace {

FcBool GetBool(FcPattern* pattern, const char* key, FcBool fallback) {
    FcBool value = fallback;
    return FcPatternGetBool(pattern, key, 0, &value) == FcResultMatch ? value : fallback;
}

int GetInteger(FcPattern* pattern, const char* key, int fallback) {
    int value = fallback;
    return FcPatternGetInteger(pattern, key, 0, &value) == FcResultMatch ? value : fallback;
}

// A font's faces, one a scale.
struct RasterFaces : FaceResource {
    std::map<double, RasterFace> at;
    ~RasterFaces() override {
        for (auto& [scale, f] : at) {
            if (f.face) FT_Done_Face(f.face);
        }
    }
};

// The face for `pattern` at `scale`, set up as Xft reads the pattern.
RasterFace Open(const TextFont& font, double scale) {
    RasterFace r;
    FcPattern* pattern = font.pattern;
    FT_Library library = SharedFreeType();
    if (!pattern || !library || font.file.empty() ||
        FT_New_Face(library, font.file.c_str(), font.faceIndex, &r.face) != 0) {
        r.face = nullptr;
        return r;
    }
    double pixels = font.size.emPixels, aspect = 1;
    FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &pixels);
    FcPatternGetDouble(pattern, FC_ASPECT, 0, &aspect);
    pixels *= scale;
    const auto ysize = static_cast<FT_F26Dot6>(pixels * 64.0);
    const auto xsize = static_cast<FT_F26Dot6>(pixels * aspect * 64.0);
    FcMatrix* m = nullptr;
    if (FcPatternGetMatrix(pattern, FC_MATRIX, 0, &m) == FcResultMatch && m) {
        r.matrix.xx = static_cast<FT_Fixed>(0x10000L * m->xx);
        r.matrix.yy = static_cast<FT_Fixed>(0x10000L * m->yy);
        r.matrix.xy = static_cast<FT_Fixed>(0x10000L * m->xy);
        r.matrix.yx = static_cast<FT_Fixed>(0x10000L * m->yx);
    }
    if (!FT_IS_SCALABLE(r.face) && r.face->num_fixed_sizes > 0 && scale != 1) {
        // Bitmaps are drawn from a strike, resized by the pattern's matrix
        // (fontconfig's rule scales them to the pixel size): scaled, the
        // matrix grows with the size, less what a larger strike gives.
        const FT_Pos one = r.face->available_sizes[BestStrike(
            r.face, static_cast<FT_F26Dot6>(xsize / scale), static_cast<FT_F26Dot6>(ysize / scale))].y_ppem;
        const FT_Pos now = r.face->available_sizes[BestStrike(r.face, xsize, ysize)].y_ppem;
        const double grow = now > 0 ? scale * static_cast<double>(one) / static_cast<double>(now) : scale;
        for (FT_Fixed* v : {&r.matrix.xx, &r.matrix.xy, &r.matrix.yx, &r.matrix.yy}) {
            *v = static_cast<FT_Fixed>(std::lround(static_cast<double>(*v) * grow));
        }
    }
    r.transform = r.matrix.xx != 0x10000 || r.matrix.xy != 0 || r.matrix.yx != 0 ||
                  r.matrix.yy != 0x10000;
    if (!SetRasterSize(r.face, xsize, ysize)) {
        FT_Done_Face(r.face);
        r.face = nullptr;
        return r;
    }
    if (r.transform) FT_Set_Transform(r.face, &r.matrix, nullptr);

    const bool antialias = GetBool(pattern, FC_ANTIALIAS, FcTrue);
    const int rgba = GetInteger(pattern, FC_RGBA, FC_RGBA_UNKNOWN);
    const bool color = GetBool(pattern, FC_COLOR, FcFalse);
    r.loadFlags = FT_LOAD_DEFAULT | FT_LOAD_COLOR;
    if ((!GetBool(pattern, FC_EMBEDDED_BITMAP, FcFalse) && antialias) || r.transform) {
        r.loadFlags |= FT_LOAD_NO_BITMAP;
    }
    const int hintStyle = GetInteger(pattern, FC_HINT_STYLE, FC_HINT_FULL);
    if (!GetBool(pattern, FC_HINTING, FcTrue) || hintStyle == FC_HINT_NONE) {
        r.loadFlags |= FT_LOAD_NO_HINTING;
    }
    r.embolden = GetBool(pattern, FC_EMBOLDEN, FcFalse);
    r.mode = color ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
    if (antialias) {
        r.mode = FT_RENDER_MODE_NORMAL;
        if (FC_HINT_NONE < hintStyle && hintStyle < FC_HINT_FULL) {
            r.loadFlags |= FT_LOAD_TARGET_LIGHT;
        } else if (rgba == FC_RGBA_RGB || rgba == FC_RGBA_BGR) {
            r.loadFlags |= FT_LOAD_TARGET_LCD;
        } else if (rgba == FC_RGBA_VRGB || rgba == FC_RGBA_VBGR) {
            r.loadFlags |= FT_LOAD_TARGET_LCD_V;
        }
    } else {
        r.loadFlags |= FT_LOAD_TARGET_MONO;
    }
    if (GetBool(pattern, FC_VERTICAL_LAYOUT, FcFalse)) r.loadFlags |= FT_LOAD_VERTICAL_LAYOUT;
    if (GetBool(pattern, FC_AUTOHINT, FcFalse)) r.loadFlags |= FT_LOAD_FORCE_AUTOHINT;
    if (!GetBool(pattern, FC_GLOBAL_ADVANCE, FcTrue)) {
        r.loadFlags |= FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH;
    }
    return r;
}

}  // namespace

RasterFace* RasterFaceAt(TextFont& font, double scale) {
    if (!font.raster) font.raster = std::make_unique<RasterFaces>();
    auto& faces = static_cast<RasterFaces&>(*font.raster).at;
    auto it = faces.find(scale);
    if (it == faces.end()) it = faces.emplace(scale, Open(font, scale)).first;
    return it->second.face ? &it->second : nullptr;
}

std::int32_t RasterAdvance(TextFont& font, unsigned glyph) {
    RasterFace* r = RasterFaceAt(font, 1);
    if (!r) return 0;
    FT_Error error = FT_Load_Glyph(r->face, glyph, r->loadFlags);
    if (error && (r->loadFlags & FT_LOAD_NO_BITMAP)) {
        error = FT_Load_Glyph(r->face, glyph, r->loadFlags & ~FT_LOAD_NO_BITMAP);
    }
    if (error) return 0;
    return static_cast<std::int32_t>((r->face->glyph->advance.x + 32) >> 6);
}

}  // namespace scriblane::linuxp
