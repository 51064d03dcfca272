// gdi32/user32 drawing on X11: device contexts paint the root window (over
// every window, as the desktop's DC does), fonts come from fontconfig and are
// rasterised by Xft.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

struct _XDisplay;

namespace scriblane::linuxp {

// ---- Text layout shared by DrawTextA; no X involved, so it is unit-tested.

// Bytes as text: UTF-8 where the bytes form valid UTF-8, every other byte
// read as Windows-1252 (the five codes that page leaves undefined map to the
// control characters of the same number, as Windows does).
std::u32string DecodeText(const char* bytes, std::size_t count);

// One output line after prefix processing.
struct TextLine {
    std::u32string text;
    std::vector<std::size_t> underlined;  // indexes into text, ascending
};

// Splits at CR, LF and CRLF (unless `singleLine`) and applies the '&' prefix
// rule (unless `noPrefix`): "&&" is one '&', a lone '&' vanishes and
// underlines the next character, a trailing lone '&' draws nothing.
std::vector<TextLine> LayoutLines(const std::u32string& text, bool singleLine, bool noPrefix);

// Left edge of a line `width` wide centred on (left + right) / 2, halving as
// integers do.
std::int64_t CentredLeft(std::int64_t left, std::int64_t right, std::int64_t width);

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

// ---- The display

// One line on stderr saying which display could not be opened.
void ReportNoDisplay();
void InstallX11ErrorHandlers();
// Opens the X display with the error handlers installed; nullptr after
// ReportNoDisplay when no server can be reached.
_XDisplay* OpenX11Display();

// Owns the connection: declared before everything that uses it, it closes
// the connection after them.
class X11Connection {
public:
    explicit X11Connection(_XDisplay* dpy) : dpy_(dpy) {}
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

private:
    _XDisplay* dpy_;
};
// X protocol errors seen since start (they are recorded, never fatal).
unsigned long X11ErrorCount();

class X11Display : public Display {
public:
    explicit X11Display(_XDisplay* dpy);
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Handle CreateDCA(const char* driver, const char* device, const char* output,
                     const void* initData) override;
    Handle GetWindowDC(Handle hwnd) override;
    std::int32_t GetDeviceCaps(Handle hdc, std::int32_t index) override;
    std::int32_t ReleaseDC(Handle hwnd, Handle hdc) override;
    ColorRef GetTextColor(Handle hdc) override;
    ColorRef SetTextColor(Handle hdc, ColorRef color) override;
    ColorRef GetBkColor(Handle hdc) override;
    ColorRef SetBkColor(Handle hdc, ColorRef color) override;
    Handle CreateFontA(const FontRequest& request) override;
    Handle SelectObject(Handle hdc, Handle object) override;
    std::int32_t DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                           std::uint32_t format) override;
    std::int32_t DeleteObject(Handle object) override;
    std::int32_t DeleteDC(Handle hdc) override;
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, Rect* rect,
                                       std::uint32_t winIni) override;
    ColorRef GetSysColor(std::int32_t index) override;

    _XDisplay* xdisplay() const { return dpy_; }

private:
    struct Font;
    struct Context {
        bool windowDc = false;
        ColorRef text = 0;
        ColorRef back = 0xFFFFFF;
        Handle font = 0;
    };

    Rect PrimaryScreen();
    std::pair<std::int32_t, std::int32_t> RootSize();
    Font* Realize(Handle font);
    Handle NewHandle() { return nextHandle_++; }

    _XDisplay* dpy_;
    Handle nextHandle_ = 0x1000;
    Handle stockFont_ = 0;
    std::map<Handle, Context> contexts_;
    std::map<Handle, std::unique_ptr<Font>> fonts_;
    std::optional<Rect> primary_;
    void* draw_ = nullptr;  // XftDraw on the root window, made on first use
};

}  // namespace scriblane::linuxp
