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
    std::printf("     (message: %s)\n", message.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ScriblaneChecks");
}

}  // namespace

int main() {
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
