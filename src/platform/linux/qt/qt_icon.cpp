// The program's 32 x 32 icon, drawn in code.
#include "platform/linux/qt/qt_icon.h"

namespace scriblane::linuxp {

QImage ScriblaneIcon() {
    constexpr int kSize = 32;
    const QRgb frame = qRgba(52, 58, 70, 255);
    const QRgb screen = qRgba(235, 247, 254, 255);
    const QRgb text = qRgba(5, 87, 154, 255);
    const QRgb band = qRgba(190, 222, 246, 255);
    const QRgb stand = qRgba(120, 126, 138, 255);

    QImage image(kSize, kSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const auto rect = [&image](int x0, int y0, int x1, int y1, QRgb color) {  // inclusive
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) image.setPixel(x, y, color);
        }
    };
    rect(1, 3, 30, 24, frame);   // the monitor's casing
    rect(3, 5, 28, 22, screen);  // its screen
    rect(3, 10, 28, 17, band);   // the written band across the middle
    // The "letters": strokes of a short word, ascenders taller.
    static constexpr int kStrokes[][3] = {{5, 11, 16},  {6, 13, 16},  {8, 13, 16},  {9, 13, 16},
                                          {11, 11, 16}, {13, 13, 16}, {14, 13, 16}, {16, 13, 16},
                                          {18, 11, 16}, {19, 13, 16}, {21, 13, 16}, {22, 13, 16},
                                          {24, 11, 16}, {25, 13, 16}};
    for (const auto& s : kStrokes) rect(s[0], s[1], s[0], s[2], text);
    for (int x = 5; x < 26; ++x) {  // cross strokes make it read as writing
        if (image.pixel(x, 13) == text || image.pixel(x + 1, 13) == text) image.setPixel(x, 13, text);
    }
    rect(13, 25, 18, 27, stand);  // neck
    rect(8, 28, 23, 29, stand);   // foot
    return image;
}

}  // namespace scriblane::linuxp
