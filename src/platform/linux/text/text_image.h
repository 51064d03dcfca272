// A laid-out text painted into pixels with no X, at any scale: FreeType
// rasterises the glyphs, pixman composites them as the X server does.
#pragma once

#include <memory>
#include <optional>

#include "platform/linux/text/argb_picture.h"
#include "platform/linux/text/text_measure.h"
#include "platform/platform.h"

namespace scriblane::linuxp {

// `layout` painted over the logical `area` at `scale` device pixels per
// logical pixel: a picture ceil(width * scale) by ceil(height * scale),
// transparent where nothing is drawn. Glyphs are rasterised at the scaled
// em (and stretch) and put at the scaled origins; bands and pieces cover
// the scaled rectangles, every edge rounded the same way, so pieces that
// meet in logical pixels meet on the device. At scale 1 the pixels are
// those the X server draws for the same layout.
ArgbPicture PaintImage(const TextLayout& layout, ColorRef text, ColorRef back, const Rect& area,
                       double scale);

// InkBox and PaintImage for one drawing, the glyphs rasterised at scale 1
// for the one kept for the other (a drawing asks for both, most at scale 1).
class ImagePainter {
public:
    ImagePainter();
    ~ImagePainter();
    ImagePainter(const ImagePainter&) = delete;
    ImagePainter& operator=(const ImagePainter&) = delete;
    std::optional<Rect> InkBox(const TextLayout& layout);
    ArgbPicture Paint(const TextLayout& layout, ColorRef text, ColorRef back, const Rect& area,
                      double scale);

private:
    class Glyphs;
    std::unique_ptr<Glyphs> unit_;
};

}  // namespace scriblane::linuxp
