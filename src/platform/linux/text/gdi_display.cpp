// gdi32's objects as both Linux displays keep them.
#include "platform/linux/text/gdi_display.h"

#include <strings.h>

#include <cstring>
#include <utility>

namespace scriblane::linuxp {

Handle GdiDisplay::CreateDCA(const char* driver, const char*, const char*, const void*) {
    if (!driver || strcasecmp(driver, "DISPLAY") != 0) return 0;
    if (stockFont_ == 0) {
        auto font = std::make_unique<TextFont>();
        font->stock = true;
        font->request.height = kDefaultCellHeight;
        font->request.weight = 700;  // the system font is bold
        font->request.faceName = "sans-serif";
        stockFont_ = NewHandle();
        fonts_[stockFont_] = std::move(font);
    }
    // Screens may have changed since the last drawing; a new context looks again.
    ScreensMayHaveChanged();
    const Handle h = NewHandle();
    contexts_[h].font = stockFont_;
    return h;
}

Handle GdiDisplay::GetWindowDC(Handle hwnd) {
    if (hwnd != 0) return 0;  // only the screen's context is offered here
    const Handle h = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    contexts_[h].windowDc = true;
    return h;
}

std::int32_t GdiDisplay::GetDeviceCaps(Handle hdc, std::int32_t index) {
    if (!FindContext(hdc)) return 0;
    switch (index) {
        case kHorzRes:
        case 118:  // DESKTOPHORZRES
            return ScreenNow().width;
        case kVertRes:
        case 117:  // DESKTOPVERTRES
            return ScreenNow().height;
        case 12:  // BITSPIXEL
            return ScreenNow().bitsPerPixel;
        case 14:  // PLANES
            return 1;
        case 88:  // LOGPIXELSX
        case 90:  // LOGPIXELSY
            return 96;
        default:
            return 0;
    }
}

std::int32_t GdiDisplay::ReleaseDC(Handle, Handle hdc) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end() || !it->second.windowDc) return 0;
    contexts_.erase(it);
    return 1;
}

ColorRef GdiDisplay::GetTextColor(Handle hdc) {
    const Context* c = FindContext(hdc);
    return c ? c->text : kClrInvalid;
}

ColorRef GdiDisplay::SetTextColor(Handle hdc, ColorRef color) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end()) return kClrInvalid;
    return std::exchange(it->second.text, color);
}

ColorRef GdiDisplay::GetBkColor(Handle hdc) {
    const Context* c = FindContext(hdc);
    return c ? c->back : kClrInvalid;
}

ColorRef GdiDisplay::SetBkColor(Handle hdc, ColorRef color) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end()) return kClrInvalid;
    return std::exchange(it->second.back, color);
}

Handle GdiDisplay::CreateFontA(const FontRequest& request) {
    auto font = std::make_unique<TextFont>();
    font->request = request;
    const Handle h = NewHandle();
    fonts_[h] = std::move(font);
    if (!Realize(h)) {
        fonts_.erase(h);
        return 0;
    }
    return h;
}

TextFont* GdiDisplay::Realize(Handle handle) {
    auto it = fonts_.find(handle);
    if (it == fonts_.end()) return nullptr;
    return RealizeFor(*it->second) ? it->second.get() : nullptr;
}

Handle GdiDisplay::SelectObject(Handle hdc, Handle object) {
    auto it = contexts_.find(hdc);
    if (it == contexts_.end() || !fonts_.count(object)) return 0;
    return std::exchange(it->second.font, object);
}

std::int32_t GdiDisplay::DeleteObject(Handle object) {
    auto it = fonts_.find(object);
    if (it == fonts_.end()) return 0;
    if (it->second->stock) return 1;  // stock objects outlive every delete
    for (const auto& [h, c] : contexts_) {
        if (c.font == object) return 0;  // still selected somewhere
    }
    fonts_.erase(it);
    return 1;
}

std::int32_t GdiDisplay::DeleteDC(Handle hdc) { return contexts_.erase(hdc) ? 1 : 0; }

std::optional<GdiDisplay::Drawing> GdiDisplay::DrawingOf(Handle hdc, const char* text,
                                                         std::int32_t count, const Rect* rect,
                                                         std::uint32_t format) {
    const Context* context = FindContext(hdc);
    if (!context || !rect || (!text && count != 0)) return std::nullopt;
    TextFont* font = Realize(context->font);
    if (!font) return std::nullopt;
    const std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
    return Drawing{*context, font,
                   LayoutLines(DecodeText(text, length), format & kDtSingleLine,
                               format & kDtNoPrefix)};
}

const GdiDisplay::Context* GdiDisplay::FindContext(Handle hdc) const {
    auto it = contexts_.find(hdc);
    return it == contexts_.end() ? nullptr : &it->second;
}

void GdiDisplay::CloseFonts() {
    for (auto& [handle, font] : fonts_) CloseTextFont(*font);
}

}  // namespace scriblane::linuxp
