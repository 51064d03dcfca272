// A recording platform for unit tests: every call is logged in order with its
// arguments, and answers come from plain fields the test sets.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "window/layout.h"

namespace scriblane::fake {

class FakePlatform : public Display,
                     public SettingsStore,
                     public FormRuntime,
                     public CommonDialogs {
public:
    FakePlatform();
    Platform& platform() { return platform_; }

    // Every call, in order, as "Name(arg, arg)".
    std::vector<std::string> calls;
    // Calls whose name starts with one of `prefixes` (all when empty).
    std::vector<std::string> CallsNamed(std::initializer_list<std::string> names) const;
    void ClearCalls() { calls.clear(); }

    // --- Display answers
    Handle createDcResult = 0x100;
    Handle windowDcResult = 0x200;
    std::int32_t screenWidth = 1024;
    std::int32_t screenHeight = 768;
    ColorRef dcTextColor = 0;         // what a new context holds
    ColorRef dcBackColor = 0xFFFFFF;
    Handle fontResult = 0x300;
    Handle stockFont = 0x400;
    Rect workArea{0, 0, 1920, 1040};
    ColorRef sysColor = 0x804000;
    std::string drawnText;            // text of the last DrawTextA
    Rect drawnBox;
    std::set<Handle> liveObjects;     // contexts and fonts not yet given back
    // Throws std::runtime_error from the named operation when set.
    std::string failOn;

    // --- Settings
    std::map<std::string, std::string> stored;  // key -> value
    std::set<std::string> refuseWrites;          // keys whose write is refused

    // --- Form
    std::map<Ctl, std::string> texts;
    std::map<Ctl, ColorRef> colors;
    std::vector<std::string> fontList{"Arial", "Courier New", "Times New Roman"};
    std::vector<std::string> items;  // fBox entries
    int listIndex = -1;
    double twipsX = 15, twipsY = 15;
    double outerWidth = 4440, outerHeight = 4020;
    std::int32_t msgBoxAnswer = 1;
    std::vector<std::pair<std::string, std::int32_t>> messages;
    std::function<void()> onMsgBox;  // runs inside MsgBox, for re-entrancy tests
    std::string commandLine;
    int ended = 0;
    bool loaded = false;
    FormEvents* events = nullptr;

    // --- Dialogs
    std::int32_t dialogResult = 0;      // return of the dialog call
    ColorRef dialogColor = 0;           // written to rgbResult when confirmed
    std::string dialogPath;             // written to the file buffer when confirmed
    std::function<void()> onDialog;
    std::optional<ChooseColorRecord> lastColorRecord;
    std::vector<ColorRef> lastCustomColors;
    std::optional<OpenFileNameRecord> lastFileRecord;
    std::string lastFilter, lastTitle, lastDefExt;

    // Display
    Handle CreateDCA(const char*, const char*, const char*, const void*) override;
    Handle GetWindowDC(Handle) override;
    std::int32_t GetDeviceCaps(Handle, std::int32_t) override;
    std::int32_t ReleaseDC(Handle, Handle) override;
    ColorRef GetTextColor(Handle) override;
    ColorRef SetTextColor(Handle, ColorRef) override;
    ColorRef GetBkColor(Handle) override;
    ColorRef SetBkColor(Handle, ColorRef) override;
    Handle CreateFontA(const FontRequest&) override;
    Handle SelectObject(Handle, Handle) override;
    std::int32_t DrawTextA(Handle, const char*, std::int32_t, Rect*, std::uint32_t) override;
    std::int32_t DeleteObject(Handle) override;
    std::int32_t DeleteDC(Handle) override;
    std::int32_t SystemParametersInfoA(std::uint32_t, std::uint32_t, Rect*, std::uint32_t) override;
    ColorRef GetSysColor(std::int32_t) override;
    // SettingsStore
    std::string GetSetting(const std::string&, const std::string&, const std::string&,
                           const std::string&) override;
    void SaveSetting(const std::string&, const std::string&, const std::string&,
                     const std::string&) override;
    // FormRuntime
    void Load(const FormSpec&, FormEvents&) override;
    void Show() override;
    double Width() override;
    double Height() override;
    void Move(std::int32_t, std::int32_t) override;
    void Unload() override;
    Handle hWnd() override;
    std::string GetText(Ctl) override;
    void SetText(Ctl, const std::string&) override;
    void AddItem(Ctl, const std::string&) override;
    void SetListIndex(Ctl, std::int32_t) override;
    ColorRef GetBackColor(Ctl) override;
    void SetBackColor(Ctl, ColorRef) override;
    void Refresh(Ctl) override;
    std::int32_t ScreenFontCount() override;
    std::string ScreenFont(std::int32_t) override;
    double TwipsPerPixelX() override;
    double TwipsPerPixelY() override;
    std::int32_t MsgBox(const std::string&, std::int32_t) override;
    Handle hInstance() override;
    std::string Command() override;
    void End(std::int32_t exitStatus) override;
    // CommonDialogs
    std::int32_t ChooseColorA(ChooseColorRecord&) override;
    std::int32_t GetOpenFileNameA(OpenFileNameRecord&) override;
    std::int32_t GetSaveFileNameA(OpenFileNameRecord&) override;

    static constexpr Handle kHwnd = 0x5000;
    static constexpr Handle kInstance = 0x400000;

private:
    void Record(std::string call);
    Handle currentFont_ = 0;
    ColorRef textColor_ = 0, backColor_ = 0;
    Platform platform_;
};

const char* CtlName(Ctl c);

}  // namespace scriblane::fake
