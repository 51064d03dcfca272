// Runs under Wine: the dialog records as comdlg32 receives them when the
// window's commands ask for a colour or a file, and values going through the
// registry. Prints one line per check; the exit status counts the failures.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dialogs/cbrowse.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_form.h"
#include "window/layout.h"

#include <commctrl.h>
#include <vector>

using namespace scriblane;

namespace {

int failures = 0;

template <typename A, typename B>
void Check(const char* what, const A& got, const B& want) {
    if (got == want) {
        std::printf("ok   %s\n", what);
    } else {
        ++failures;
        std::printf("FAIL %s: got %lld, want %lld\n", what, static_cast<long long>(got),
                    static_cast<long long>(want));
    }
}

void CheckText(const char* what, const std::string& got, const std::string& want) {
    if (got == want) {
        std::printf("ok   %s\n", what);
    } else {
        ++failures;
        std::printf("FAIL %s: got \"%s\", want \"%s\"\n", what, got.c_str(), want.c_str());
    }
}

// Keeps what comdlg32 would have been handed and answers like the user.
class CapturingDialogs : public win32::Win32Dialogs {
public:
    CHOOSECOLORA color{};
    OPENFILENAMEA file{};
    std::string filter;  // the double-NUL-terminated filter as passed
    COLORREF customSeen[16]{};
    BOOL answer = TRUE;
    COLORREF pick = 0;
    const char* path = "";
    int calls = 0;

protected:
    BOOL CallChooseColor(CHOOSECOLORA& cc) override {
        ++calls;
        color = cc;
        if (cc.lpCustColors != nullptr) std::memcpy(customSeen, cc.lpCustColors, sizeof customSeen);
        if (answer) cc.rgbResult = pick;
        return answer;
    }
    BOOL CallOpen(OPENFILENAMEA& ofn) override { return File(ofn); }
    BOOL CallSave(OPENFILENAMEA& ofn) override { return File(ofn); }

private:
    BOOL File(OPENFILENAMEA& ofn) {
        ++calls;
        file = ofn;
        filter.clear();
        for (const char* p = ofn.lpstrFilter; p != nullptr && (p[0] != '\0' || p[1] != '\0'); ++p)
            filter.push_back(*p);
        if (answer && ofn.lpstrFile != nullptr) {
            std::strncpy(ofn.lpstrFile, path, ofn.nMaxFile - 1);
            ofn.lpstrFile[ofn.nMaxFile - 1] = '\0';
        }
        return answer;
    }
};

void ColorRecord() {
    fake::FakePlatform fake;
    CapturingDialogs dialogs;
    Platform p{fake, fake, fake, dialogs};
    cBrowse browse(p);

    dialogs.pick = RGB(1, 2, 3);
    const std::int32_t chosen = browse.dcolor(0x1234, 0x00336699);
    Check("colour: lStructSize", dialogs.color.lStructSize, 36);
    Check("colour: hwndOwner", reinterpret_cast<UINT_PTR>(dialogs.color.hwndOwner), 0x1234);
    Check("colour: hInstance is the program's",
          reinterpret_cast<UINT_PTR>(dialogs.color.hInstance), fake.hInstance());
    Check("colour: rgbResult starts at the last colour", dialogs.color.rgbResult, 0x00336699);
    Check("colour: Flags CC_RGBINIT|CC_FULLOPEN", dialogs.color.Flags, CC_RGBINIT | CC_FULLOPEN);
    Check("colour: custom colours given", dialogs.color.lpCustColors != nullptr, true);
    int nonBlack = 0;
    for (COLORREF c : dialogs.customSeen) nonBlack += c != 0;
    Check("colour: sixteen black custom colours", nonBlack, 0);
    Check("colour: no hook", dialogs.color.lpfnHook == nullptr, true);
    Check("colour: no template", dialogs.color.lpTemplateName == nullptr, true);
    Check("colour: lCustData", dialogs.color.lCustData, 0);
    Check("colour: the chosen colour comes back", chosen, RGB(1, 2, 3));

    dialogs.answer = FALSE;
    Check("colour: cancel answers -1", browse.dcolor(0x1234, 5), -1);
}

void FileRecords() {
    fake::FakePlatform fake;
    CapturingDialogs dialogs;
    Platform p{fake, fake, fake, dialogs};
    cBrowse browse(p);

    dialogs.path = "C:\\texts\\note one.txt";
    const std::string opened = browse.dOpen(0x99, "Open a text", "Text files", "*.txt;*.log");
    Check("open: lStructSize", dialogs.file.lStructSize, 76);
    Check("open: hwndOwner", reinterpret_cast<UINT_PTR>(dialogs.file.hwndOwner), 0x99);
    Check("open: hInstance", reinterpret_cast<UINT_PTR>(dialogs.file.hInstance), fake.hInstance());
    CheckText("open: filter", dialogs.filter, std::string("Text files\0*.txt;*.log", 22));
    Check("open: nFilterIndex", dialogs.file.nFilterIndex, 1);
    Check("open: nMaxFile", dialogs.file.nMaxFile, 255);
    CheckText("open: lpstrTitle", dialogs.file.lpstrTitle ? dialogs.file.lpstrTitle : "(null)",
              "Open a text");
    Check("open: Flags", dialogs.file.Flags, 0);
    Check("open: no default extension", dialogs.file.lpstrDefExt == nullptr, true);
    Check("open: no custom filter", dialogs.file.lpstrCustomFilter == nullptr, true);
    Check("open: no file title buffer", dialogs.file.lpstrFileTitle == nullptr, true);
    Check("open: no initial directory", dialogs.file.lpstrInitialDir == nullptr, true);
    CheckText("open: the chosen path comes back", opened, "C:\\texts\\note one.txt");

    dialogs.path = "C:\\out.csv";
    const std::string saved = browse.dsave(0x99, "Save as", "CSV", "*.csv", "csv");
    CheckText("save: lpstrDefExt", dialogs.file.lpstrDefExt ? dialogs.file.lpstrDefExt : "(null)",
              "csv");
    Check("save: lStructSize", dialogs.file.lStructSize, 76);
    CheckText("save: the chosen path comes back", saved, "C:\\out.csv");

    dialogs.answer = FALSE;
    CheckText("open: cancel answers nothing", browse.dOpen(0, "t", "a", "*.*"), "");
}

void Registry() {
    win32::RegistryStore store;
    const std::string app = "ScriblaneChecks";
    const struct {
        const char* key;
        const char* value;
    } kValues[] = {
        {"blanks", "  two  words  "},
        {"empty", ""},
        {"number", "4294967296"},
        {"face", "Times New Roman"},
    };
    for (const auto& v : kValues) {
        store.SaveSetting(app, "settings", v.key, v.value);
        CheckText(v.key, store.GetSetting(app, "settings", v.key, "<none>"), v.value);
    }
    CheckText("missing value gives the default",
              store.GetSetting(app, "settings", "missing", "dflt"), "dflt");
    CheckText("missing section gives the default",
              store.GetSetting(app, "nosuchsection", "th", "30"), "30");

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ScriblaneChecks\\settings", 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        const DWORD number = 50;
        RegSetValueExA(key, "dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
        // Text stored without its closing NUL still reads as that text.
        RegSetValueExA(key, "unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
        RegCloseKey(key);
    }
    CheckText("a DWORD value gives the default", store.GetSetting(app, "settings", "dword", "d"),
              "d");
    CheckText("text without NUL", store.GetSetting(app, "settings", "unterminated", "d"), "abc");

    // A key name beyond the registry's limit is refused with a message.
    std::string message;
    try {
        store.SaveSetting(std::string(300, 'x'), "settings", "th", "1");
    } catch (const SettingsError& e) {
        message = e.what();
    }
    Check("a refused write throws SettingsError", message.empty(), false);
    Check("the message names the key", message.find("cannot open") != std::string::npos, true);
    std::printf("     (message: %.60s...)\n", message.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ScriblaneChecks");
}

struct QuietEvents : FormEvents {
    int loads = 0;
    int unloads = 0;
    void OnLoad() override { ++loads; }
    void OnClick(Ctl) override {}
    void OnUnload(std::int32_t&) override { ++unloads; }
};

HWND Control(HWND form, Ctl c) { return GetDlgItem(form, 100 + static_cast<int>(c)); }

LONG_PTR StyleOf(HWND form, Ctl c) { return GetWindowLongPtrA(Control(form, c), GWL_STYLE); }

// One message through the form as the program's message loop takes it.
void Deliver(win32::Win32Form& form, MSG msg) {
    if (form.PreTranslate(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// Everything queued so far, through the same path.
void Pump(win32::Win32Form& form) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT) Deliver(form, msg);
}

void Key(win32::Win32Form& form, HWND to, WPARAM key) {
    Deliver(form, MSG{to, WM_KEYDOWN, key, 1});
    Pump(form);
    Deliver(form, MSG{to, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u)});
    Pump(form);
}

void Click(win32::Win32Form& form, HWND to) {
    Deliver(form, MSG{to, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)});
    Deliver(form, MSG{to, WM_LBUTTONUP, 0, MAKELPARAM(4, 4)});
    Pump(form);
}

template <typename F>
void Throws(const char* what, F&& f) {
    bool threw = false;
    try {
        f();
    } catch (const FormError&) {
        threw = true;
    }
    Check(what, threw, true);
}

// The window as built from the shared layout, hidden, without a message loop.
void Form() {
    win32::Win32Form form;
    QuietEvents events;
    form.Load(MainFormSpec(), events);
    HWND hwnd = reinterpret_cast<HWND>(form.hWnd());
    Check("form: OnLoad ran once during Load", events.loads, 1);
    Check("form: created hidden", IsWindowVisible(hwnd) != FALSE, false);
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    CheckText("form: title", title, "Scriblane");

    const double tppX = form.TwipsPerPixelX();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    Check("form: twips per pixel follow the DPI", tppX * dpi, 1440.0);
    RECT client{};
    GetClientRect(hwnd, &client);
    Check("form: client width is 4350 twips", client.right, MulDiv(4350, dpi, 1440));
    Check("form: client height is 3540 twips", client.bottom, MulDiv(3540, dpi, 1440));
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    Check("form: caption, system menu, minimize box",
          (style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) ==
              (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
          true);
    Check("form: no maximize box, no sizing border",
          (style & (WS_MAXIMIZEBOX | WS_THICKFRAME)) != 0, false);

    RECT outer{};
    GetWindowRect(hwnd, &outer);
    Check("form: Width is the outer width in twips", form.Width(), (outer.right - outer.left) * tppX);
    Check("form: Height is the outer height in twips", form.Height(),
          (outer.bottom - outer.top) * form.TwipsPerPixelY());
    form.Move(1500, 3000);
    GetWindowRect(hwnd, &outer);
    Check("form: Move places the outer corner (x)", outer.left, MulDiv(1500, dpi, 1440));
    Check("form: Move places the outer corner (y)", outer.top, MulDiv(3000, dpi, 1440));
    Check("form: Move keeps the size", form.Width(), (outer.right - outer.left) * tppX);

    const LONG_PTR text = StyleOf(hwnd, Ctl::tText);
    Check("tText: multi-line, Enter is a line break, scroll bar",
          (text & (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP)) ==
              (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP),
          true);
    Check("tH: centred single line", (StyleOf(hwnd, Ctl::tH) & (ES_CENTER | ES_MULTILINE)),
          ES_CENTER);
    const LONG_PTR combo = StyleOf(hwnd, Ctl::fBox);
    Check("fBox: drop-down list", combo & 3, CBS_DROPDOWNLIST);
    Check("fBox: not sorted", (combo & CBS_SORT) != 0, false);
    for (Ctl b : {Ctl::bWrite, Ctl::bSave, Ctl::bHelp, Ctl::bCol, Ctl::bcolBK, Ctl::bUseDeskCol}) {
        Check("button: plain push button", StyleOf(hwnd, b) & BS_TYPEMASK, BS_PUSHBUTTON);
    }
    Check("Frame1: group box", StyleOf(hwnd, Ctl::Frame1) & BS_TYPEMASK, BS_GROUPBOX);
    Check("PicT: focusable sunken swatch",
          (StyleOf(hwnd, Ctl::PicT) & WS_TABSTOP) != 0 &&
              (GetWindowLongPtrA(Control(hwnd, Ctl::PicT), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0,
          true);
    RECT line{};
    GetWindowRect(Control(hwnd, Ctl::Line3), &line);
    Check("Line3: one pixel high", line.bottom - line.top, 1);
    GetWindowRect(Control(hwnd, Ctl::Line2), &line);
    Check("Line2: one pixel wide", line.right - line.left, 1);

    // Each control's font from the table: bold where it says, points at this DPI.
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Control(hwnd, Ctl::bWrite), WM_GETFONT, 0, 0)),
               sizeof lf, &lf);
    Check("bWrite font: 9.75 pt", lf.lfHeight, -MulDiv(975, dpi, 7200));
    Check("bWrite font: bold", lf.lfWeight, FW_BOLD);
    CheckText("bWrite font: Arial", lf.lfFaceName, "Arial");
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Control(hwnd, Ctl::tH), WM_GETFONT, 0, 0)),
               sizeof lf, &lf);
    Check("tH font: not bold", lf.lfWeight, FW_NORMAL);

    // Tab order: the focusable controls by their tab index.
    std::vector<Ctl> want;
    for (int tab = 0; tab < 32; ++tab)
        for (const auto& c : MainFormSpec().controls)
            if (c.tabIndex == tab &&
                (GetWindowLongPtrA(Control(hwnd, c.id), GWL_STYLE) & WS_TABSTOP) != 0)
                want.push_back(c.id);
    int inOrder = 0;
    HWND at = Control(hwnd, want.front());
    for (std::size_t i = 1; i < want.size(); ++i) {
        // Hidden windows are skipped by the dialog manager; walk the z-order.
        HWND next = GetWindow(at, GW_HWNDNEXT);
        while (next != nullptr && (GetWindowLongPtrA(next, GWL_STYLE) & WS_TABSTOP) == 0)
            next = GetWindow(next, GW_HWNDNEXT);
        inOrder += next == Control(hwnd, want[i]);
        at = next;
    }
    Check("tab order follows the tab indexes", inOrder, static_cast<int>(want.size()) - 1);
    Check("twelve focusable controls", want.size(), 12u);

    // Texts and the list.
    form.SetText(Ctl::tW, "  42 ");
    CheckText("SetText/GetText round-trip", form.GetText(Ctl::tW), "  42 ");
    CheckText("a label's caption", form.GetText(Ctl::Label1_3), "Choose Font:");
    Throws("SetListIndex(0) on the empty list throws", [&] { form.SetListIndex(Ctl::fBox, 0); });
    Throws("AddItem on a text box throws", [&] { form.AddItem(Ctl::tH, "x"); });
    form.AddItem(Ctl::fBox, "Zeta");
    form.AddItem(Ctl::fBox, "Alpha");
    form.SetListIndex(Ctl::fBox, 0);
    CheckText("the list keeps the order added", form.GetText(Ctl::fBox), "Zeta");
    form.SetText(Ctl::fBox, "Alpha");
    CheckText("SetText selects the entry", form.GetText(Ctl::fBox), "Alpha");
    Throws("SetText of a missing entry throws", [&] { form.SetText(Ctl::fBox, "Gamma"); });
    CheckText("a failed SetText leaves the selection", form.GetText(Ctl::fBox), "Alpha");
    Throws("SetListIndex beyond the list throws", [&] { form.SetListIndex(Ctl::fBox, 2); });

    form.SetBackColor(Ctl::PicBk, 0x123456);
    Check("a swatch keeps its colour", form.GetBackColor(Ctl::PicBk), 0x123456);

    // Screen fonts: computed once, no vertical faces, each name once.
    const std::int32_t fonts = form.ScreenFontCount();
    Check("there are screen fonts", fonts > 0, true);
    int bad = 0;
    for (std::int32_t i = 0; i < fonts; ++i) {
        const std::string face = form.ScreenFont(i);
        bad += face.empty() || face[0] == '@';
        for (std::int32_t j = 0; j < i; ++j) bad += form.ScreenFont(j) == face;
    }
    Check("screen fonts: no '@' faces, no duplicates", bad, 0);
    Throws("ScreenFont beyond the count throws", [&] { form.ScreenFont(fonts); });

    const LRESULT tips = SendMessageA(FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr),
                                      TTM_GETTOOLCOUNT, 0, 0);
    Check("six tooltips", tips, 6);

    form.Unload();
    Check("Unload destroys the window", IsWindow(hwnd) != FALSE, false);
    Check("hWnd is 0 after Unload", form.hWnd(), 0u);
    Throws("Width after Unload throws", [&] { form.Width(); });
}

// The main window loaded from the layout, shown, its first messages handled.
HWND LoadAndShow(win32::Win32Form& form, QuietEvents& events) {
    form.Load(MainFormSpec(), events);
    form.Show();
    Pump(form);
    return reinterpret_cast<HWND>(form.hWnd());
}

// The shown window under the Escape key, through the message loop's path.
void EscapeKey() {
    win32::Win32Form form;
    QuietEvents events;
    HWND hwnd = LoadAndShow(form, events);

    // Escape does nothing anywhere: the window has no cancel button, and a
    // multi-line box would otherwise ask its parent to close.
    form.SetText(Ctl::tText, "abc");
    for (Ctl c : {Ctl::tText, Ctl::tH, Ctl::tW, Ctl::fBox, Ctl::bWrite, Ctl::PicBk}) {
        HWND control = Control(hwnd, c);
        SetFocus(control);
        Key(form, control, VK_ESCAPE);
        Check(("Escape keeps the window open, focus in " + std::string(SpecOf(c).name)).c_str(),
              events.unloads == 0 && IsWindow(hwnd) != FALSE, true);
    }
    if (!IsWindow(hwnd)) return;
    CheckText("Escape keeps the typed text", form.GetText(Ctl::tText), "abc");
    form.Unload();
}

// The shown window's buttons, boxes and list.
void Controls() {
    win32::Win32Form form;
    QuietEvents events;
    HWND hwnd = LoadAndShow(form, events);

    // A push button looks like the default one only while it has the focus.
    SetFocus(Control(hwnd, Ctl::bcolBK));
    Key(form, Control(hwnd, Ctl::bcolBK), VK_TAB);
    Check("Tab reaches Text Color", GetFocus() == Control(hwnd, Ctl::bCol), true);
    Click(form, Control(hwnd, Ctl::tH));
    Check("a click moves the focus to the height box", GetFocus() == Control(hwnd, Ctl::tH), true);
    int marked = 0;
    for (Ctl b : {Ctl::bWrite, Ctl::bSave, Ctl::bHelp, Ctl::bCol, Ctl::bcolBK, Ctl::bUseDeskCol})
        marked += (StyleOf(hwnd, b) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    Check("no button keeps the default border once the focus left it", marked, 0);

    // No text box limits its length. The text comes in short lines, which
    // the multi-line box wraps much faster than one long word.
    std::string longText;
    while (longText.size() < 40000) longText += "forty thousand characters and more\r\n";
    for (Ctl c : {Ctl::tText, Ctl::tH, Ctl::tW}) {
        HWND box = Control(hwnd, c);
        const bool multiLine = SpecOf(c).multiLine;
        const std::string text = multiLine ? longText : std::string(longText.size(), 'x');
        form.SetText(c, "");
        SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
        Check(("over 40000 characters go into " + std::string(SpecOf(c).name)).c_str(),
              GetWindowTextLengthA(box), static_cast<int>(text.size()));
    }

    // The face list's closed height is the table's.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT list{};
    GetWindowRect(Control(hwnd, Ctl::fBox), &list);
    Check("fBox: closed height from the table", list.bottom - list.top,
          MulDiv(SpecOf(Ctl::fBox).height, dpi, 1440));
    form.Unload();
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    try {
        Form();
    } catch (const std::exception& e) {
        ++failures;
        std::printf("FAIL form: %s\n", e.what());
    }
    for (void (*part)() : {EscapeKey, Controls}) {
        try {
            part();
        } catch (const std::exception& e) {
            ++failures;
            std::printf("FAIL window: %s\n", e.what());
        }
    }
    ColorRecord();
    FileRecords();
    try {
        Registry();
    } catch (const std::exception& e) {
        ++failures;
        std::printf("FAIL registry: %s\n", e.what());
    }
    std::printf("%d failure(s)\n", failures);
    return failures;
}
