// The boundary between Scriblane's core and the operating system.
//
// The core calls only the operations declared here, each with the meaning
// its Win32 namesake has: colour references are 0x00BBGGRR, handles are
// opaque and 0 means "none", results are what the Win32 function returns.
// Every implementation (win32, linux, the recording fake) provides all of
// them; the core never includes an OS or toolkit header.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace scriblane {

struct FormSpec;
enum class Ctl : int;

using Handle = std::uintptr_t;  // HDC, HFONT, HGDIOBJ, HWND, HINSTANCE
using ColorRef = std::int32_t;  // red in the low byte, then green, then blue

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Win32 constants the core passes through the boundary.
inline constexpr std::int32_t kHorzRes = 8;           // HORZRES
inline constexpr std::int32_t kVertRes = 10;          // VERTRES
inline constexpr std::uint32_t kSpiGetWorkArea = 48;  // SPI_GETWORKAREA
inline constexpr std::int32_t kColorBackground = 1;   // COLOR_BACKGROUND
inline constexpr std::int32_t kColorWindowText = 8;   // COLOR_WINDOWTEXT
inline constexpr std::int32_t kColorBtnText = 18;     // COLOR_BTNTEXT
// DrawTextA's format bits (DT_*): the core passes some, the platforms read all.
inline constexpr std::uint32_t kDtCenter = 1;
inline constexpr std::uint32_t kDtRight = 2;
inline constexpr std::uint32_t kDtVCenter = 4;
inline constexpr std::uint32_t kDtBottom = 8;
inline constexpr std::uint32_t kDtSingleLine = 32;
inline constexpr std::uint32_t kDtNoClip = 256;
inline constexpr std::uint32_t kDtNoPrefix = 2048;
inline constexpr std::uint32_t kDefaultCharset = 1;

// The fourteen arguments of CreateFontA, in their order.
struct FontRequest {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint32_t italic = 0;
    std::uint32_t underline = 0;
    std::uint32_t strikeOut = 0;
    std::uint32_t charSet = 0;
    std::uint32_t outPrecision = 0;
    std::uint32_t clipPrecision = 0;
    std::uint32_t quality = 0;
    std::uint32_t pitchAndFamily = 0;
    std::string faceName;  // bytes in the platform's 8-bit code page
    friend bool operator==(const FontRequest&, const FontRequest&) = default;
};

// gdi32 and user32 as the renderer, start-up and the window commands use them.
class Display {
public:
    virtual ~Display() = default;
    virtual Handle CreateDCA(const char* driver, const char* device, const char* output,
                             const void* initData) = 0;
    virtual Handle GetWindowDC(Handle hwnd) = 0;
    virtual std::int32_t GetDeviceCaps(Handle hdc, std::int32_t index) = 0;
    virtual std::int32_t ReleaseDC(Handle hwnd, Handle hdc) = 0;
    virtual ColorRef GetTextColor(Handle hdc) = 0;
    virtual ColorRef SetTextColor(Handle hdc, ColorRef color) = 0;
    virtual ColorRef GetBkColor(Handle hdc) = 0;
    virtual ColorRef SetBkColor(Handle hdc, ColorRef color) = 0;
    virtual Handle CreateFontA(const FontRequest& request) = 0;
    virtual Handle SelectObject(Handle hdc, Handle object) = 0;
    // `count` is the byte length of `text`; `text` need not be NUL-terminated.
    virtual std::int32_t DrawTextA(Handle hdc, const char* text, std::int32_t count, Rect* rect,
                                   std::uint32_t format) = 0;
    virtual std::int32_t DeleteObject(Handle object) = 0;
    virtual std::int32_t DeleteDC(Handle hdc) = 0;
    virtual std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param,
                                               Rect* rect, std::uint32_t winIni) = 0;
    virtual ColorRef GetSysColor(std::int32_t index) = 0;
};

// A write the medium refused. The message names the failure for the user.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The per-user store of text values addressed by application, section, key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when nothing readable is stored there.
    virtual std::string GetSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& fallback) = 0;
    // Throws SettingsError when the write is refused; earlier writes stay.
    virtual void SaveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) = 0;
};

// The window's events, delivered one at a time on the one thread.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void OnLoad() = 0;
    virtual void OnClick(Ctl control) = 0;
    // Closing by the user; setting `cancel` non-zero refuses the unload.
    virtual void OnUnload(std::int32_t& cancel) = 0;
};

// A control operation that cannot be carried out (for instance selecting a
// list entry that is not there).
class FormError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The form runtime: the one window, its controls, the screen, the program.
class FormRuntime {
public:
    virtual ~FormRuntime() = default;

    // Creates the window hidden from `layout`, runs events.OnLoad() to its end,
    // then returns. Exceptions from OnLoad propagate to the caller.
    virtual void Load(const FormSpec& layout, FormEvents& events) = 0;
    virtual void Show() = 0;  // modeless, returns at once
    virtual double Width() = 0;   // outer size in twips
    virtual double Height() = 0;
    virtual void Move(std::int32_t left, std::int32_t top) = 0;  // outer corner, twips
    virtual void Unload() = 0;
    virtual Handle hWnd() = 0;

    virtual std::string GetText(Ctl control) = 0;
    // On a list: selects the entry of that text; throws FormError when none.
    virtual void SetText(Ctl control, const std::string& text) = 0;
    virtual void AddItem(Ctl control, const std::string& item) = 0;
    // Throws FormError when the list has no such entry.
    virtual void SetListIndex(Ctl control, std::int32_t index) = 0;
    virtual ColorRef GetBackColor(Ctl control) = 0;
    virtual void SetBackColor(Ctl control, ColorRef color) = 0;
    virtual void Refresh(Ctl control) = 0;

    virtual std::int32_t ScreenFontCount() = 0;
    virtual std::string ScreenFont(std::int32_t index) = 0;
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;

    // Modal box with the application title as caption; returns the button
    // (1 OK, 6 Yes, 7 No).
    virtual std::int32_t MsgBox(const std::string& prompt, std::int32_t style) = 0;
    virtual Handle hInstance() = 0;
    virtual std::string Command() = 0;  // the argument text as one string
    // Ends the program at once with the exit status given (non-zero tells a
    // calling script that the program failed); on a real platform it does
    // not return.
    virtual void End(std::int32_t exitStatus) = 0;
};

// The comdlg32 records in their ANSI form. On a 32-bit build their layout is
// the SDK's byte for byte (36 and 76 bytes); lStructSize carries those sizes
// on every build.
struct ChooseColorRecord {
    std::uint32_t lStructSize = 0;
    Handle hwndOwner = 0;
    Handle hInstance = 0;
    ColorRef rgbResult = 0;
    ColorRef* lpCustColors = nullptr;
    std::uint32_t Flags = 0;
    std::intptr_t lCustData = 0;
    void* lpfnHook = nullptr;
    const char* lpTemplateName = nullptr;
};

struct OpenFileNameRecord {
    std::uint32_t lStructSize = 0;
    Handle hwndOwner = 0;
    Handle hInstance = 0;
    const char* lpstrFilter = nullptr;
    char* lpstrCustomFilter = nullptr;
    std::uint32_t nMaxCustFilter = 0;
    std::uint32_t nFilterIndex = 0;
    char* lpstrFile = nullptr;
    std::uint32_t nMaxFile = 0;
    char* lpstrFileTitle = nullptr;
    std::uint32_t nMaxFileTitle = 0;
    const char* lpstrInitialDir = nullptr;
    const char* lpstrTitle = nullptr;
    std::uint32_t Flags = 0;
    std::uint16_t nFileOffset = 0;
    std::uint16_t nFileExtension = 0;
    const char* lpstrDefExt = nullptr;
    std::intptr_t lCustData = 0;
    void* lpfnHook = nullptr;
    const char* lpTemplateName = nullptr;
};

inline constexpr std::uint32_t kChooseColorSize = 36;
inline constexpr std::uint32_t kOpenFileNameSize = 76;
inline constexpr std::uint32_t kCcRgbInit = 1;
inline constexpr std::uint32_t kCcFullOpen = 2;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ChooseColorRecord) == kChooseColorSize);
static_assert(sizeof(OpenFileNameRecord) == kOpenFileNameSize);
#endif

// comdlg32: each call blocks until the user closes the dialog; non-zero when
// the user confirmed.
class CommonDialogs {
public:
    virtual ~CommonDialogs() = default;
    virtual std::int32_t ChooseColorA(ChooseColorRecord& record) = 0;
    virtual std::int32_t GetOpenFileNameA(OpenFileNameRecord& record) = 0;
    virtual std::int32_t GetSaveFileNameA(OpenFileNameRecord& record) = 0;
};

// Everything the core may call, gathered.
struct Platform {
    Display& display;
    SettingsStore& store;
    FormRuntime& form;
    CommonDialogs& dialogs;
};

}  // namespace scriblane
