// DrawOnDesk and GetScreenSize: the text drawn in the screen-centred box.
#include "render/render.h"

#include <climits>

#include "settings/settings.h"

namespace scriblane {

bool GetScreenSize(Display& display, std::int32_t& screenW, std::int32_t& screenH) {
    Handle dc = 0;
    try {
        dc = display.GetWindowDC(0);
        if (dc == 0) return false;
        const std::int32_t w = display.GetDeviceCaps(dc, kHorzRes);
        const std::int32_t h = display.GetDeviceCaps(dc, kVertRes);
        const bool large = w > 640 && h > 480;
        if (large) {
            screenW = w;
            screenH = h;
        }
        display.ReleaseDC(0, dc);
        return large;
    } catch (...) {
        if (dc != 0) {
            try {
                display.ReleaseDC(0, dc);
            } catch (...) {
            }
        }
        return false;
    }
}

bool ComputeBox(Display& display, Rect& box) {
    std::int32_t w = 0;
    std::int32_t h = 0;
    if (!GetScreenSize(display, w, h)) {
        box = kFallbackBox;
        return true;
    }
    // 32-bit arithmetic with overflow counted as a failure.
    std::int32_t left, top, right, bottom;
    if (__builtin_sub_overflow(w, kBoxSize, &left) || __builtin_sub_overflow(h, kBoxSize, &top))
        return false;
    left /= 2;
    top /= 2;
    if (__builtin_add_overflow(left, kBoxSize, &right) ||
        __builtin_add_overflow(top, kBoxSize, &bottom))
        return false;
    box = Rect{left, top, right, bottom};
    return true;
}

ColorRef EffectiveTextColor(std::int32_t textCol) {
    return (textCol >= 1 && textCol <= kMaxColor) ? textCol : 0;
}

void DrawOnDesk(Display& display, const std::string& deskText, std::int32_t letterH,
                std::int32_t letterW, std::int32_t textCol, const std::string& faceName,
                ColorRef deskBackColor) {
    Handle dc = 0;
    Handle font = 0;
    Handle oldFont = 0;
    bool fontSelected = false;
    bool colorsSaved = false;
    ColorRef oldText = 0;
    ColorRef oldBack = 0;
    try {
        const std::string text = " " + deskText;
        if (text.size() > static_cast<std::size_t>(INT32_MAX)) return;
        const ColorRef color = EffectiveTextColor(textCol);

        dc = display.CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        if (dc == 0) return;
        Rect box;
        if (!ComputeBox(display, box)) {
            display.DeleteDC(dc);
            return;
        }
        oldText = display.GetTextColor(dc);
        display.SetTextColor(dc, color);
        oldBack = display.GetBkColor(dc);
        colorsSaved = true;
        display.SetBkColor(dc, deskBackColor);

        FontRequest request;
        request.height = letterH;
        request.width = letterW;
        request.charSet = kDefaultCharset;
        request.faceName = faceName;
        font = display.CreateFontA(request);
        oldFont = display.SelectObject(dc, font);
        fontSelected = true;

        display.DrawTextA(dc, text.data(), static_cast<std::int32_t>(text.size()), &box,
                          kDrawFormat);

        display.SelectObject(dc, oldFont);
        fontSelected = false;
        display.DeleteObject(font);
        font = 0;
        display.SetTextColor(dc, oldText);
        display.SetBkColor(dc, oldBack);
        colorsSaved = false;
        display.DeleteDC(dc);
    } catch (...) {
        // Give back whatever this call still holds; each step on its own, so
        // one more failure cannot keep the rest. The failure stays silent.
        auto quietly = [](auto&& step) {
            try {
                step();
            } catch (...) {
            }
        };
        if (fontSelected) quietly([&] { display.SelectObject(dc, oldFont); });
        if (font != 0) quietly([&] { display.DeleteObject(font); });
        if (colorsSaved) {
            quietly([&] { display.SetTextColor(dc, oldText); });
            quietly([&] { display.SetBkColor(dc, oldBack); });
        }
        if (dc != 0) quietly([&] { display.DeleteDC(dc); });
    }
}

}  // namespace scriblane
