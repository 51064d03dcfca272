// The form runtime on Windows: the window and its native controls from the layout table.
#include "platform/win32/win32_form.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/win32_text.h"
#include "window/face_list.h"

namespace scriblane::win32 {
namespace {

constexpr const char* kFormClass = "ScriblaneForm";
constexpr const char* kColorClass = "ScriblaneColor";
constexpr int kFirstId = 100;  // clear of IDOK/IDCANCEL, which the dialog manager sends
constexpr int kIconId = 1;
constexpr int kComboListHeight = 200;  // pixels the drop-down list may take

std::size_t Index(Ctl c) { return static_cast<std::size_t>(c); }

// A window of one flat colour: the colour swatches (focusable) and the
// one-pixel lines. The colour lives in the window's extra bytes.
LRESULT CALLBACK ColorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            const COLORREF color = static_cast<COLORREF>(GetWindowLongPtrA(hwnd, 0)) & 0xFFFFFF;
            HBRUSH brush = CreateSolidBrush(color);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
            if (GetFocus() == hwnd) {
                InflateRect(&r, -1, -1);
                DrawFocusRect(dc, &r);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            if ((GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_TABSTOP) != 0) SetFocus(hwnd);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

// The group box paints only its edge and caption; the parent does not paint
// beneath children, so the box fills its inside itself.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, FrameProc, 0);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// The window has no default button. The dialog manager marks a push button
// as the default while Tab has the focus on it, but takes the mark back only
// in a dialog, so a button would keep the heavy border after a click moved
// the focus away.
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_KILLFOCUS &&
        (GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        SendMessageA(hwnd, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ButtonProc, 0);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// A drop-down list sizes its closed box from its font; this sets the
// selection field so that the whole box is `height` pixels high. The field
// height that the box reports and the one it takes may differ by a constant,
// so a second step corrects the first.
void FitComboHeight(HWND combo, int height) {
    auto outer = [combo] {
        RECT r{};
        return GetWindowRect(combo, &r) ? static_cast<int>(r.bottom - r.top) : -1;
    };
    const LRESULT field = SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    int now = outer();
    if (field == CB_ERR || now < 0 || now == height) return;
    LRESULT set = field;
    for (int step = 0; step < 2 && now != height && set + (height - now) >= 1; ++step) {
        set += height - now;
        SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), set);
        now = outer();
    }
}

int CALLBACK CollectFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM data) {
    // '@' names are the vertical variants Windows lists beside East Asian faces.
    if (font->lfFaceName[0] != '@') reinterpret_cast<FaceList*>(data)->Add(font->lfFaceName);
    return 1;
}

}  // namespace

Win32Form::Win32Form() : instance_(GetModuleHandleA(nullptr)) {}

Win32Form::~Win32Form() {
    if (hwnd_ != nullptr) {
        unloading_ = true;
        DestroyWindow(hwnd_);
    }
    for (const auto& f : fonts_) DeleteObject(f.font);
}

void Win32Form::ReadDpi() {
    HDC screen = GetDC(nullptr);
    if (screen != nullptr) {
        dpiX_ = GetDeviceCaps(screen, LOGPIXELSX);
        dpiY_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    // A broken answer would divide by zero further on.
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
}

HFONT Win32Form::FontFor(const FontSpec& wanted) {
    for (const auto& f : fonts_)
        if (f.wanted == wanted) return f.font;
    HFONT font = CreateFontA(PointsToFontHeight(wanted.points, dpiY_), 0, 0, 0,
                             wanted.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, wanted.face);
    if (font != nullptr) fonts_.push_back({wanted, font});
    return font;
}

HWND Win32Form::Need(Ctl control) const {
    const std::size_t i = Index(control);
    if (i >= kCount || controls_[i] == nullptr) throw FormError("the window has no such control");
    return controls_[i];
}

void Win32Form::Load(const FormSpec& layout, FormEvents& events) {
    if (hwnd_ != nullptr) throw FormError("the window is already loaded");
    ReadDpi();

    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = MainProc;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconId));
        wc.lpszClassName = kFormClass;
        WNDCLASSEXA color{};
        color.cbSize = sizeof(color);
        color.lpfnWndProc = ColorProc;
        color.cbWndExtra = sizeof(LONG_PTR);
        color.hInstance = instance_;
        color.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        color.lpszClassName = kColorClass;
        if (RegisterClassExA(&wc) == 0 || RegisterClassExA(&color) == 0)
            throw FormError("cannot register the window classes");
        registered = true;
    }

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT outer{0, 0, TwipsToPixels(layout.clientWidth, TwipsPerPixelX()),
               TwipsToPixels(layout.clientHeight, TwipsPerPixelY())};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    const int x = TwipsToPixels(layout.initialLeft, TwipsPerPixelX()) + outer.left;
    const int y = TwipsToPixels(layout.initialTop, TwipsPerPixelY()) + outer.top;
    events_ = &events;
    unloading_ = false;
    hwnd_ = CreateWindowExA(0, kFormClass, layout.title, style, std::max(0, x), std::max(0, y),
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                            instance_, this);
    if (hwnd_ == nullptr) throw FormError("cannot create the window");
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(layout.font)), FALSE);
    CreateControls(layout);
    events.OnLoad();
}

void Win32Form::CreateControls(const FormSpec& layout) {
    const ControlSpec* frame = nullptr;
    for (const auto& c : layout.controls)
        if (c.kind == ControlKind::Frame) frame = &c;

    for (const auto& c : layout.controls) {
        const std::size_t i = Index(c.id);
        if (i >= kCount) continue;
        const int offX = c.inFrame && frame != nullptr ? frame->left : 0;
        const int offY = c.inFrame && frame != nullptr ? frame->top : 0;
        int left = TwipsToPixels(offX + c.left, TwipsPerPixelX());
        int top = TwipsToPixels(offY + c.top, TwipsPerPixelY());
        int width = TwipsToPixels(c.width, TwipsPerPixelX());
        int height = TwipsToPixels(c.height, TwipsPerPixelY());
        const char* cls = "STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD ex = 0;
        switch (c.kind) {
            case ControlKind::TextBox:
                cls = "EDIT";
                ex = WS_EX_CLIENTEDGE;
                style |= c.multiLine ? (WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN)
                                     : ES_AUTOHSCROLL;
                if (c.centred) style |= ES_CENTER;
                break;
            case ControlKind::Frame:
                // Lowest in the z-order and clipped by the controls above it,
                // so it never paints over them.
                cls = "BUTTON";
                style |= BS_GROUPBOX | WS_CLIPSIBLINGS;
                break;
            case ControlKind::Button:
                cls = "BUTTON";
                style |= BS_PUSHBUTTON;
                break;
            case ControlKind::ComboList:
                cls = "COMBOBOX";
                style |= CBS_DROPDOWNLIST | WS_VSCROLL;
                height += kComboListHeight;
                break;
            case ControlKind::PictureBox:
                cls = kColorClass;
                ex = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Label:
                style |= SS_LEFT | SS_NOPREFIX;
                break;
            case ControlKind::Line: {
                // x1, y1, x2, y2: a one-pixel window from end to end.
                cls = kColorClass;
                const int x1 = TwipsToPixels(offX + c.left, TwipsPerPixelX());
                const int y1 = TwipsToPixels(offY + c.top, TwipsPerPixelY());
                const int x2 = TwipsToPixels(offX + c.width, TwipsPerPixelX());
                const int y2 = TwipsToPixels(offY + c.height, TwipsPerPixelY());
                left = std::min(x1, x2);
                top = std::min(y1, y2);
                width = std::max(1, std::abs(x2 - x1));
                height = std::max(1, std::abs(y2 - y1));
                break;
            }
        }
        if (TakesFocus(c)) style |= WS_TABSTOP;
        HWND h = CreateWindowExA(ex, cls, c.text, style, left, top, width, height, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + i)),
                                 instance_, nullptr);
        if (h == nullptr) throw FormError(std::string("cannot create the control ") + c.name);
        controls_[i] = h;
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);
        if (c.kind == ControlKind::Frame) SetWindowSubclass(h, FrameProc, 0, 0);
        if (c.kind == ControlKind::Button) SetWindowSubclass(h, ButtonProc, 0, 0);
        // 0 lifts the edit control's 30,000-character default: no box limits its text.
        if (c.kind == ControlKind::TextBox) SendMessageA(h, EM_SETLIMITTEXT, 0, 0);
        if (c.kind == ControlKind::ComboList) FitComboHeight(h, height - kComboListHeight);
        if (c.kind == ControlKind::Line) {
            colors_[i] = static_cast<ColorRef>(GetSysColor(c.lineSysColor));
            SetWindowLongPtrA(h, 0, static_cast<LONG_PTR>(colors_[i]));
        }
    }

    // Tab order is z-order: focusable controls by tab index at the top, the
    // rest below, the group box last so it never paints over its contents.
    HWND after = HWND_TOP;
    for (const ControlSpec* c : StackingOrder(layout)) {
        HWND h = controls_[Index(c->id)];
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
    }

    tooltips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                instance_, nullptr);
    for (const auto& c : layout.controls)
        if (c.tooltip != nullptr) AddTooltip(controls_[Index(c.id)], c.tooltip);
}

void Win32Form::AddTooltip(HWND control, const char* text) {
    if (tooltips_ == nullptr || control == nullptr) return;  // a missing tip is no failure
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

LRESULT CALLBACK Win32Form::MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
    // A C++ exception must not unwind through the system's frames.
    try {
        return self->Handle_(msg, wp, lp);
    } catch (const std::exception& e) {
        MessageBoxA(hwnd, e.what(), "Scriblane", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxA(hwnd, "unknown failure", "Scriblane", MB_OK | MB_ICONERROR);
    }
    return 0;
}

LRESULT Win32Form::Handle_(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED && lp != 0 && events_ != nullptr) {
                const HWND from = reinterpret_cast<HWND>(lp);
                for (const auto& c : MainFormSpec().controls) {
                    if (c.kind == ControlKind::Button && controls_[Index(c.id)] == from) {
                        events_->OnClick(c.id);
                        return 0;
                    }
                }
            }
            return 0;
        case WM_CLOSE:
            if (!unloading_ && events_ != nullptr) {
                std::int32_t cancel = 0;
                events_->OnUnload(cancel);
                if (cancel != 0) return 0;
                Unload();
            }
            return 0;
        case WM_ACTIVATE:
            // Like a dialog: the focus comes back to where it was.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
                SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

bool Win32Form::PreTranslate(MSG& msg) {
    if (hwnd_ == nullptr) return false;
    // Escape does nothing in this window: there is no cancel button, and the
    // dialog manager would let the multi-line box turn it into a close
    // request, ending the program with the text typed so far. An open face
    // list still takes it to close itself.
    if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && msg.wParam == VK_ESCAPE &&
        (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) {
        HWND list = controls_[Index(Ctl::fBox)];
        const bool listOpen =
            list != nullptr && (msg.hwnd == list || IsChild(list, msg.hwnd)) &&
            SendMessageA(list, CB_GETDROPPEDSTATE, 0, 0) != 0;
        if (!listOpen) return true;
    }
    // The multi-line box would take Tab as text; here Tab moves the focus
    // like everywhere else in the window (Ctrl+Tab still types a tab).
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB &&
        msg.hwnd == controls_[Index(Ctl::tText)] && (GetKeyState(VK_CONTROL) & 0x8000) == 0) {
        const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        HWND next = GetNextDlgTabItem(hwnd_, msg.hwnd, back);
        if (next != nullptr) SetFocus(next);
        return true;
    }
    return IsDialogMessageA(hwnd_, &msg) != 0;
}

void Win32Form::Show() {
    HWND h = Need(Ctl::tText);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    SetForegroundWindow(hwnd_);
    SetFocus(h);
    lastFocus_ = h;
}

double Win32Form::Width() {
    RECT r{};
    if (hwnd_ == nullptr || !GetWindowRect(hwnd_, &r)) throw FormError("the window is not loaded");
    return (r.right - r.left) * TwipsPerPixelX();
}

double Win32Form::Height() {
    RECT r{};
    if (hwnd_ == nullptr || !GetWindowRect(hwnd_, &r)) throw FormError("the window is not loaded");
    return (r.bottom - r.top) * TwipsPerPixelY();
}

void Win32Form::Move(std::int32_t left, std::int32_t top) {
    if (hwnd_ == nullptr) throw FormError("the window is not loaded");
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(left, TwipsPerPixelX()),
                 TwipsToPixels(top, TwipsPerPixelY()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::Unload() {
    if (hwnd_ == nullptr) return;
    unloading_ = true;
    HWND h = hwnd_;
    DestroyWindow(h);
    hwnd_ = nullptr;
    tooltips_ = nullptr;
    controls_.fill(nullptr);
    lastFocus_ = nullptr;
    events_ = nullptr;
}

Handle Win32Form::hWnd() { return reinterpret_cast<Handle>(hwnd_); }

std::string Win32Form::GetText(Ctl control) {
    HWND h = Need(control);
    const int length = GetWindowTextLengthA(h);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(h, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(0, got)));
    return text;
}

void Win32Form::SetText(Ctl control, const std::string& text) {
    HWND h = Need(control);
    if (SpecOf(control).kind == ControlKind::ComboList) {
        const LRESULT at =
            SendMessageA(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(text.c_str()));
        if (at == CB_ERR) throw FormError("\"" + text + "\" is not in the list");
        SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        return;
    }
    if (!SetWindowTextA(h, text.c_str())) throw FormError("cannot set the text");
}

void Win32Form::AddItem(Ctl control, const std::string& item) {
    HWND h = Need(control);
    if (SpecOf(control).kind != ControlKind::ComboList) throw FormError("not a list");
    const LRESULT at = SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (at == CB_ERR || at == CB_ERRSPACE) throw FormError("cannot add to the list");
}

void Win32Form::SetListIndex(Ctl control, std::int32_t index) {
    HWND h = Need(control);
    if (SpecOf(control).kind != ControlKind::ComboList) throw FormError("not a list");
    const LRESULT count = SendMessageA(h, CB_GETCOUNT, 0, 0);
    if (index < -1 || index >= count) throw FormError("no such list entry");
    SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

ColorRef Win32Form::GetBackColor(Ctl control) {
    Need(control);
    const ControlKind kind = SpecOf(control).kind;
    if (kind == ControlKind::PictureBox || kind == ControlKind::Line) return colors_[Index(control)];
    return static_cast<ColorRef>(
        GetSysColor(kind == ControlKind::TextBox || kind == ControlKind::ComboList ? COLOR_WINDOW
                                                                                    : COLOR_BTNFACE));
}

void Win32Form::SetBackColor(Ctl control, ColorRef color) {
    HWND h = Need(control);
    const ControlKind kind = SpecOf(control).kind;
    if (kind != ControlKind::PictureBox && kind != ControlKind::Line)
        throw FormError("this control keeps the system colour");
    colors_[Index(control)] = color;
    SetWindowLongPtrA(h, 0, static_cast<LONG_PTR>(color));
    InvalidateRect(h, nullptr, TRUE);
}

void Win32Form::Refresh(Ctl control) {
    RedrawWindow(Need(control), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

std::int32_t Win32Form::ScreenFontCount() {
    if (!faces_) {
        FaceList list;
        HDC screen = GetDC(nullptr);
        if (screen != nullptr) {
            LOGFONTA want{};
            want.lfCharSet = DEFAULT_CHARSET;
            EnumFontFamiliesExA(screen, &want, CollectFace, reinterpret_cast<LPARAM>(&list), 0);
            ReleaseDC(nullptr, screen);
        }
        faces_ = list.names();
    }
    return static_cast<std::int32_t>(faces_->size());
}

std::string Win32Form::ScreenFont(std::int32_t index) {
    const std::int32_t count = ScreenFontCount();
    if (index < 0 || index >= count) throw FormError("no such screen font");
    return (*faces_)[static_cast<std::size_t>(index)];
}

double Win32Form::TwipsPerPixelX() { return TwipsPerPixelAt(dpiX_); }
double Win32Form::TwipsPerPixelY() { return TwipsPerPixelAt(dpiY_); }

std::int32_t Win32Form::MsgBox(const std::string& prompt, std::int32_t style) {
    return MessageBoxA(hwnd_, prompt.c_str(), "Scriblane", static_cast<UINT>(style));
}

Handle Win32Form::hInstance() { return reinterpret_cast<Handle>(instance_); }

std::string Win32Form::Command() { return ArgumentText(GetCommandLineA()); }

void Win32Form::End(std::int32_t exitStatus) {
    GdiFlush();
    ExitProcess(static_cast<UINT>(exitStatus));
}

}  // namespace scriblane::win32
