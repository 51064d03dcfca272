// gdi32 and user32's drawing calls, handed to the real API.
#include "platform/win32/win32_display.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_text.h"

namespace scriblane::win32 {
namespace {

HDC Dc(Handle h) { return reinterpret_cast<HDC>(h); }
Handle H(const void* p) { return reinterpret_cast<Handle>(p); }

// The core's Rect and the SDK's RECT are both four 32-bit values in the same
// order; they are still copied, never cast, so neither relies on the other.
RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect FromRect(const RECT& r) {
    return Rect{static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top),
                static_cast<std::int32_t>(r.right), static_cast<std::int32_t>(r.bottom)};
}

bool UnderWine() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

GlyphDepth ScreenGlyphDepth() {
    BOOL smoothing = FALSE;
    if (!::SystemParametersInfoA(SPI_GETFONTSMOOTHING, 0, &smoothing, 0) || !smoothing)
        return GlyphDepth::Mono;
    UINT type = 0;
    ::SystemParametersInfoA(SPI_GETFONTSMOOTHINGTYPE, 0, &type, 0);
    return type == FE_FONTSMOOTHINGCLEARTYPE ? GlyphDepth::Subpixel : GlyphDepth::Gray;
}

// Under Wine each glyph goes to the X server as one image in one request; a
// glyph too big for that request ends the program with an X error. Such a
// glyph is larger than a screen anyway, and the text is then left undrawn.
bool GlyphsFitTheScreenServer(HDC dc, const char* text, int count, bool prefixes) {
    if (!UnderWine() || count <= 0) return true;
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
    if (wide <= 0) return true;
    std::wstring converted(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, count, converted.data(), wide);
    // Text metrics first, as DrawText takes them: that is where the font
    // mapper settles a width it ignores, which the glyph metrics then follow.
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    std::wstring seen;
    const GlyphDepth depth = ScreenGlyphDepth();
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (const wchar_t c : DrawnCharacters(converted, prefixes)) {
        if (seen.find(c) != std::wstring::npos) continue;
        seen.push_back(c);
        GLYPHMETRICS gm{};
        if (::GetGlyphOutlineW(dc, c, GGO_METRICS, &gm, 0, nullptr, &identity) == GDI_ERROR)
            continue;
        if (!GlyphFitsOneRequest(gm.gmBlackBoxX, gm.gmBlackBoxY, depth)) return false;
    }
    return true;
}

}  // namespace

Handle Win32Display::CreateDCA(const char* driver, const char* device, const char* output,
                               const void* initData) {
    return H(::CreateDCA(driver, device, output, static_cast<const DEVMODEA*>(initData)));
}

Handle Win32Display::GetWindowDC(Handle hwnd) {
    return H(::GetWindowDC(reinterpret_cast<HWND>(hwnd)));
}

std::int32_t Win32Display::GetDeviceCaps(Handle hdc, std::int32_t index) {
    return ::GetDeviceCaps(Dc(hdc), index);
}

std::int32_t Win32Display::ReleaseDC(Handle hwnd, Handle hdc) {
    return ::ReleaseDC(reinterpret_cast<HWND>(hwnd), Dc(hdc));
}

ColorRef Win32Display::GetTextColor(Handle hdc) {
    return static_cast<ColorRef>(::GetTextColor(Dc(hdc)));
}

ColorRef Win32Display::SetTextColor(Handle hdc, ColorRef color) {
    return static_cast<ColorRef>(::SetTextColor(Dc(hdc), static_cast<COLORREF>(color)));
}

ColorRef Win32Display::GetBkColor(Handle hdc) {
    return static_cast<ColorRef>(::GetBkColor(Dc(hdc)));
}

ColorRef Win32Display::SetBkColor(Handle hdc, ColorRef color) {
    return static_cast<ColorRef>(::SetBkColor(Dc(hdc), static_cast<COLORREF>(color)));
}

Handle Win32Display::CreateFontA(const FontRequest& r) {
    // Wine's mapper needs the bound (see BoundFontWidth); Windows gets the
    // width as asked.
    const std::int32_t width = UnderWine() ? BoundFontWidth(r.width) : r.width;
    return H(::CreateFontA(r.height, width, r.escapement, r.orientation, r.weight, r.italic,
                           r.underline, r.strikeOut, r.charSet, r.outPrecision, r.clipPrecision,
                           r.quality, r.pitchAndFamily, r.faceName.c_str()));
}

Handle Win32Display::SelectObject(Handle hdc, Handle object) {
    return H(::SelectObject(Dc(hdc), reinterpret_cast<HGDIOBJ>(object)));
}

std::int32_t Win32Display::DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                                     std::uint32_t format) {
    RECT r{};
    if (rect != nullptr) r = ToRect(*rect);
    // DT_MODIFYSTRING would write into the text; the core never asks for it
    // and its text may be read-only, so it is refused here.
    if ((format & DT_MODIFYSTRING) != 0) return 0;
    if (text != nullptr && !GlyphsFitTheScreenServer(Dc(hdc), text,
                                                     count < 0 ? lstrlenA(text) : count,
                                                     (format & DT_NOPREFIX) == 0))
        return 0;
    const int result = ::DrawTextA(Dc(hdc), text, count, rect != nullptr ? &r : nullptr, format);
    if (rect != nullptr) *rect = FromRect(r);
    return result;
}

std::int32_t Win32Display::DeleteObject(Handle object) {
    return ::DeleteObject(reinterpret_cast<HGDIOBJ>(object));
}

std::int32_t Win32Display::DeleteDC(Handle hdc) { return ::DeleteDC(Dc(hdc)); }

std::int32_t Win32Display::SystemParametersInfoA(std::uint32_t action, std::uint32_t param,
                                                 Rect* rect, std::uint32_t winIni) {
    // Only rectangle-valued queries fit this signature; others are refused
    // rather than letting the system write a different type into `rect`.
    if (action != SPI_GETWORKAREA || rect == nullptr) return 0;
    RECT r{};
    const BOOL ok = ::SystemParametersInfoA(action, param, &r, winIni);
    if (ok) *rect = FromRect(r);
    return ok;
}

ColorRef Win32Display::GetSysColor(std::int32_t index) {
    return static_cast<ColorRef>(::GetSysColor(index));
}

}  // namespace scriblane::win32
