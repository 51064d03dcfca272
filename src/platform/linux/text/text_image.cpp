// A laid-out text painted into pixels with no X, at any scale: FreeType
// rasterises the glyphs, pixman composites them as the X server does.
#include "platform/linux/text/text_image.h"

#include <pixman.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_GLYPH_H

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "platform/linux/text/text_raster.h"

namespace scriblane::linuxp {

namespace {

// One glyph as the rasteriser leaves it: coverage (A8) or colour
// (premultiplied ARGB), and where its top-left pixel lies from the origin.
struct GlyphBits {
    int left = 0;  // from the origin, rightwards
    int top = 0;   // from the origin, upwards
    int width = 0, height = 0, stride = 0;
    bool color = false;
    std::vector<std::uint32_t> bits;  // rows of `stride` bytes
};

// A colour bitmap glyph scaled by the face's matrix (bitmaps come from the
// strike nearest the size; a stretched face resamples it): each target
// pixel the average of the strike's pixels about where it falls. The
// origin moves with the bitmap.
void ScaleColour(const FT_Bitmap& source, const FT_Matrix& matrix, int bitmapLeft, int bitmapTop,
                 GlyphBits& out) {
    const auto sw = static_cast<int>(source.width), sh = static_cast<int>(source.rows);
    // The transformed bitmap's size.
    long left = 0, right = 0, bottom = 0, top = 0;
    for (int xc = 0; xc <= 1; ++xc) {
        for (int yc = 0; yc <= 1; ++yc) {
            FT_Vector v{xc * sw, yc * sh};
            FT_Vector_Transform(&v, &matrix);
            if (xc == 0 && yc == 0) {
                left = right = v.x;
                top = bottom = v.y;
            } else {
                left = std::min<long>(left, v.x);
                right = std::max<long>(right, v.x);
                bottom = std::min<long>(bottom, v.y);
                top = std::max<long>(top, v.y);
            }
        }
    }
    const int width = static_cast<int>(right - left), height = static_cast<int>(top - bottom);
    // Target to source: the inverse in the bitmap's (y down) frame.
    FT_Matrix mirror{0x10000, 0, 0, -0x10000};
    FT_Matrix inverse = matrix;
    FT_Matrix_Multiply(&mirror, &inverse);
    FT_Matrix_Invert(&inverse);
    FT_Matrix_Multiply(&mirror, &inverse);
    FT_Vector origin{0, 0}, corner{width, height};
    FT_Vector_Transform(&origin, &inverse);
    FT_Vector_Transform(&corner, &inverse);
    const long padX = (corner.x - origin.x) - sw, padY = (corner.y - origin.y) - sh;
    double m[3][3] = {{inverse.xx / 65536.0, inverse.xy / 65536.0, -padX / 2.0},
                      {inverse.yx / 65536.0, inverse.yy / 65536.0, -padY / 2.0},
                      {0, 0, 1}};
    const auto map = [&](long x, long y, long& sx, long& sy) {
        sx = static_cast<long>(x * m[0][0] + y * m[0][1] + m[0][2] + 0.5);
        sy = static_cast<long>(x * m[1][0] + y * m[1][1] + m[1][2] + 0.5);
    };
    long ox, oy, ux, uy;
    map(0, 0, ox, oy);
    map(1, 1, ux, uy);
    const long spanX = std::labs((ux - ox) / 2), spanY = std::labs((uy - oy) / 2);
    const long samples = (2 * spanX + 1) * (2 * spanY + 1);
    out.width = width;
    out.height = height;
    out.stride = width * 4;
    out.bits.assign(static_cast<std::size_t>(width) * height, 0);
    const unsigned char* src = source.buffer;
    const int pitch = source.pitch;
    if (pitch < 0) src -= static_cast<long>(pitch) * (sh - 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            long sx, sy;
            map(x, y, sx, sy);
            if (sx < -spanX || sx > sw + spanX || sy < -spanY || sy > sh + spanY) continue;
            long sum[4] = {0, 0, 0, 0};
            for (long dy = -spanY; dy <= spanY; ++dy) {
                const long row = sy + dy;
                if (row < 0 || row >= sh) continue;
                for (long dx = -spanX; dx <= spanX; ++dx) {
                    const long col = sx + dx;
                    if (col < 0 || col >= sw) continue;
                    for (int i = 0; i < 4; ++i) sum[i] += src[row * pitch + col * 4 + i];
                }
            }
            std::uint32_t p = 0;
            for (int i = 0; i < 4; ++i) p |= static_cast<std::uint32_t>(sum[i] / samples) << (8 * i);
            out.bits[static_cast<std::size_t>(y) * width + x] = p;
        }
    }
    // Where the origin falls in the scaled bitmap: source to target.
    const double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    if (det == 0) return;
    const double sx = -bitmapLeft - m[0][2], sy = bitmapTop - m[1][2];
    const double tx = (m[1][1] * sx - m[0][1] * sy) / det;
    const double ty = (-m[1][0] * sx + m[0][0] * sy) / det;
    out.left = -static_cast<int>(static_cast<long>(tx + 0.5));
    out.top = static_cast<int>(static_cast<long>(ty + 0.5));
}

// Loads and rasterises `glyph` as Xft does for the face; false when it
// has no image (a space, or it cannot be loaded).
bool Rasterise(RasterFace& r, unsigned glyph, GlyphBits& out) {
    FT_Face face = r.face;
    FT_Error error = FT_Load_Glyph(face, glyph, r.loadFlags);
    if (error && (r.loadFlags & FT_LOAD_NO_BITMAP)) {
        // Where there is no outline, the bitmap looks worse than nothing does not.
        error = FT_Load_Glyph(face, glyph, r.loadFlags & ~FT_LOAD_NO_BITMAP);
    }
    if (error) return false;
    FT_GlyphSlot slot = face->glyph;
    if (r.embolden) FT_GlyphSlot_Embolden(slot);
    bool scaleBitmap = r.transform && r.mode != FT_RENDER_MODE_MONO;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) {
        if (FT_Render_Glyph(slot, r.mode) != 0) return false;
        scaleBitmap = false;
    }
    const FT_Bitmap& b = slot->bitmap;
    if (b.width == 0 || b.rows == 0 || !b.buffer) return false;
    const unsigned char* src = b.buffer;
    if (b.pitch < 0) src -= static_cast<long>(b.pitch) * (b.rows - 1);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    if (b.pixel_mode == FT_PIXEL_MODE_BGRA) {
        out.color = true;
        if (scaleBitmap) {
            ScaleColour(b, r.matrix, slot->bitmap_left, slot->bitmap_top, out);
            return out.width > 0 && out.height > 0;
        }
        out.width = static_cast<int>(b.width);
        out.height = static_cast<int>(b.rows);
        out.stride = out.width * 4;
        out.bits.resize(static_cast<std::size_t>(out.width) * out.height);
        for (int y = 0; y < out.height; ++y) {
            std::memcpy(out.bits.data() + static_cast<std::size_t>(y) * out.width,
                        src + static_cast<long>(y) * b.pitch, static_cast<std::size_t>(out.width) * 4);
        }
        return true;
    }
    // Coverage, one byte a pixel; a one-bit bitmap as full coverage.
    out.width = static_cast<int>(b.width);
    out.height = static_cast<int>(b.rows);
    out.stride = (out.width + 3) & ~3;
    out.bits.assign(static_cast<std::size_t>(out.stride) * out.height / 4, 0);
    auto* dst = reinterpret_cast<unsigned char*>(out.bits.data());
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* line = src + static_cast<long>(y) * b.pitch;
        unsigned char* to = dst + static_cast<long>(y) * out.stride;
        for (int x = 0; x < out.width; ++x) {
            if (b.pixel_mode == FT_PIXEL_MODE_MONO) {
                to[x] = (line[x >> 3] & (0x80 >> (x & 7))) ? 0xFF : 0;
            } else if (b.pixel_mode == FT_PIXEL_MODE_GRAY) {
                to[x] = line[x];
            }
        }
    }
    return true;
}

pixman_color_t ToPixman(ColorRef color) {
    // Only the low 24 bits are a colour.
    const auto c = static_cast<std::uint32_t>(color);
    return pixman_color_t{static_cast<std::uint16_t>((c & 0xFF) * 0x101),
                          static_cast<std::uint16_t>(((c >> 8) & 0xFF) * 0x101),
                          static_cast<std::uint16_t>(((c >> 16) & 0xFF) * 0x101), 0xFFFF};
}

// Glyph images for one painting, per face and glyph: coverage (alpha) or
// colour. Not pixman's glyph cache: making one costs more than a line's
// painting, and it only keeps what these images are.
class GlyphCache {
public:
    explicit GlyphCache(double scale) : scale_(scale) {}
    ~GlyphCache() {
        for (auto& [key, e] : known_) {
            if (e.image) pixman_image_unref(e.image);
        }
    }
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    struct Entry {
        pixman_image_t* image = nullptr;  // over the bits below
        GlyphBits bits;
        bool colour() const { return bits.color; }
    };

    // Null when there is nothing to draw.
    const Entry* Get(TextFont& face, unsigned glyph) {
        const Key key{&face, glyph};
        if (auto it = known_.find(key); it != known_.end()) return Usable(it->second);
        Entry& e = known_[key];
        RasterFace* r = RasterFaceAt(face, scale_);
        if (!r || !Rasterise(*r, glyph, e.bits)) return nullptr;
        e.image = pixman_image_create_bits(e.bits.color ? PIXMAN_a8r8g8b8 : PIXMAN_a8,
                                           e.bits.width, e.bits.height, e.bits.bits.data(),
                                           e.bits.stride);
        return Usable(e);
    }

private:
    static const Entry* Usable(const Entry& e) { return e.image ? &e : nullptr; }
    struct Key {
        TextFont* face;
        unsigned glyph;
        bool operator<(const Key& o) const {
            return face != o.face ? std::less<TextFont*>()(face, o.face) : glyph < o.glyph;
        }
    };
    double scale_;
    std::map<Key, Entry> known_;
};

}  // namespace

namespace {

std::optional<Rect> InkBoxWith(GlyphCache& glyphs, const TextLayout& layout) {
    Box total;
    for (const LaidLine& line : layout.lines) {
        for (const Box& piece : line.pieces) total = Union(total, Clipped(piece, layout.clip));
        for (const LaidGlyph& g : line.glyphs) {
            const GlyphCache::Entry* e = g.face ? glyphs.Get(*g.face, g.glyph) : nullptr;
            if (!e) continue;
            const Box ink{g.x + e->bits.left, g.y - e->bits.top, g.x + e->bits.left + e->bits.width,
                          g.y - e->bits.top + e->bits.height};
            total = Union(total, Clipped(ink, layout.clip));
        }
    }
    return RectOf(total);
}

ArgbPicture PaintWith(GlyphCache& glyphs, const TextLayout& layout, ColorRef text, ColorRef back,
                      const Rect& area, double scale) {
    ArgbPicture picture;
    if (!(scale > 0) || area.right <= area.left || area.bottom <= area.top) return picture;
    const double areaW = static_cast<double>(std::int64_t{area.right} - area.left);
    const double areaH = static_cast<double>(std::int64_t{area.bottom} - area.top);
    picture.width = static_cast<std::int32_t>(std::ceil(areaW * scale));
    picture.height = static_cast<std::int32_t>(std::ceil(areaH * scale));
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * picture.height, 0);
    if (!layout.font) return picture;

    // Logical to device: every edge and origin rounded the same way, from
    // the area's corner.
    const auto dev = [&](std::int64_t v, std::int32_t from) -> std::int64_t {
        return static_cast<std::int64_t>(std::floor(static_cast<double>(v - from) * scale + 0.5));
    };
    const auto devBox = [&](const Box& b) {
        return Box{dev(b.left, area.left), dev(b.top, area.top), dev(b.right, area.left),
                   dev(b.bottom, area.top)};
    };
    Box limit{0, 0, picture.width, picture.height};
    if (layout.clip) limit = Clipped(devBox(*layout.clip), limit);
    if (limit.Empty()) return picture;

    pixman_image_t* dest = pixman_image_create_bits(
        PIXMAN_a8r8g8b8, picture.width, picture.height, picture.pixels.data(), picture.width * 4);
    if (!dest) return picture;
    pixman_region32_t clip;
    pixman_region32_init_rect(&clip, static_cast<int>(limit.left), static_cast<int>(limit.top),
                              static_cast<unsigned>(limit.right - limit.left),
                              static_cast<unsigned>(limit.bottom - limit.top));
    pixman_image_set_clip_region32(dest, &clip);
    const pixman_color_t fore = ToPixman(text), backColour = ToPixman(back);
    pixman_image_t* solid = pixman_image_create_solid_fill(&fore);

    const auto fill = [&](const Box& logical, const pixman_color_t& colour) {
        const Box b = Clipped(devBox(logical), limit);
        if (b.Empty()) return;
        const pixman_box32_t box{static_cast<int32_t>(b.left), static_cast<int32_t>(b.top),
                                 static_cast<int32_t>(b.right), static_cast<int32_t>(b.bottom)};
        pixman_image_fill_boxes(PIXMAN_OP_SRC, dest, &colour, 1, &box);
    };

    struct Placed {
        const GlyphCache::Entry* glyph;
        std::int32_t left, top;  // its image's corner on the picture
    };
    std::vector<Placed> run;
    // Coverage glyphs are added up in one mask a run and the colour put
    // through it once, as the X server composites a glyph string; colour
    // glyphs go over one by one.
    const auto flush = [&] {
        if (run.empty()) return;
        std::int32_t x1 = INT32_MAX, y1 = INT32_MAX, x2 = INT32_MIN, y2 = INT32_MIN;
        for (const Placed& p : run) {
            x1 = std::min(x1, p.left);
            y1 = std::min(y1, p.top);
            x2 = std::max(x2, p.left + p.glyph->bits.width);
            y2 = std::max(y2, p.top + p.glyph->bits.height);
        }
        if (pixman_image_t* mask = pixman_image_create_bits(PIXMAN_a8, x2 - x1, y2 - y1, nullptr, -1)) {
            for (const Placed& p : run) {
                pixman_image_composite32(PIXMAN_OP_ADD, p.glyph->image, nullptr, mask, 0, 0, 0, 0,
                                         p.left - x1, p.top - y1, p.glyph->bits.width,
                                         p.glyph->bits.height);
            }
            pixman_image_composite32(PIXMAN_OP_OVER, solid, mask, dest, 0, 0, 0, 0, x1, y1,
                                     x2 - x1, y2 - y1);
            pixman_image_unref(mask);
        }
        run.clear();
    };
    const std::int64_t margin = static_cast<std::int64_t>(std::ceil(layout.margin * scale)) + 1;
    for (const LaidLine& line : layout.lines) {
        fill(line.band, backColour);
        for (const LaidGlyph& g : line.glyphs) {
            if (!g.face) continue;
            const std::int64_t x = dev(g.x, area.left), y = dev(g.y, area.top);
            const std::int64_t left = dev(g.pen, area.left);
            const std::int64_t right = dev(g.pen + g.advance, area.left);
            if (right + margin <= 0 || left - margin >= picture.width || y + margin <= 0 ||
                y - margin >= picture.height) {
                continue;
            }
            const GlyphCache::Entry* e = glyphs.Get(*g.face, g.glyph);
            if (!e) continue;
            if (!e->colour()) {
                run.push_back(Placed{e, static_cast<std::int32_t>(x + e->bits.left),
                                     static_cast<std::int32_t>(y - e->bits.top)});
                if (run.size() == 64) flush();  // the X painter's batches
                continue;
            }
            flush();
            pixman_image_composite32(PIXMAN_OP_OVER, e->image, nullptr, dest, 0, 0, 0, 0,
                                     static_cast<int32_t>(x + e->bits.left),
                                     static_cast<int32_t>(y - e->bits.top), e->bits.width,
                                     e->bits.height);
        }
        flush();
        for (const Box& piece : line.pieces) fill(piece, fore);
    }
    pixman_image_unref(solid);
    pixman_region32_fini(&clip);
    pixman_image_unref(dest);
    return picture;
}

}  // namespace

std::optional<Rect> InkBox(const TextLayout& layout) {
    GlyphCache glyphs(1);
    return InkBoxWith(glyphs, layout);
}

ArgbPicture PaintImage(const TextLayout& layout, ColorRef text, ColorRef back, const Rect& area,
                       double scale) {
    GlyphCache glyphs(scale);
    return PaintWith(glyphs, layout, text, back, area, scale);
}

class ImagePainter::Glyphs : public GlyphCache {
public:
    Glyphs() : GlyphCache(1) {}
};

ImagePainter::ImagePainter() : unit_(std::make_unique<Glyphs>()) {}

ImagePainter::~ImagePainter() = default;

std::optional<Rect> ImagePainter::InkBox(const TextLayout& layout) {
    return InkBoxWith(*unit_, layout);
}

ArgbPicture ImagePainter::Paint(const TextLayout& layout, ColorRef text, ColorRef back,
                                const Rect& area, double scale) {
    if (scale == 1) return PaintWith(*unit_, layout, text, back, area, scale);
    GlyphCache glyphs(scale);
    return PaintWith(glyphs, layout, text, back, area, scale);
}

}  // namespace scriblane::linuxp
