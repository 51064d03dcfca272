// A recording platform for the core's tests: every call logged, answers scripted.
#include "platform/fake/fake_platform.h"

#include <cstring>
#include <sstream>

namespace scriblane::fake {
namespace {

std::string Str(const char* s) { return s == nullptr ? "null" : "\"" + std::string(s) + "\""; }

std::string Hex(Handle h) {
    std::ostringstream out;
    out << "0x" << std::hex << h;
    return out.str();
}

std::string RectText(const Rect* r) {
    if (r == nullptr) return "null";
    std::ostringstream out;
    out << r->left << "," << r->top << "," << r->right << "," << r->bottom;
    return out.str();
}

}  // namespace

const char* CtlName(Ctl c) {
    const ControlSpec& layout = SpecOf(c);
    static thread_local std::string name;
    name = layout.name;
    if (layout.index != kNoIndex) name += "(" + std::to_string(layout.index) + ")";
    return name.c_str();
}

FakePlatform::FakePlatform() : platform_{*this, *this, *this, *this} {}

void FakePlatform::Record(std::string call) {
    const std::string name = call.substr(0, call.find('('));
    calls.push_back(std::move(call));
    if (!failOn.empty() && failOn == name) throw std::runtime_error("fake failure in " + name);
}

std::vector<std::string> FakePlatform::CallsNamed(std::initializer_list<std::string> names) const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
        const std::string name = c.substr(0, c.find('('));
        for (const auto& n : names) {
            if (name == n) out.push_back(c);
        }
    }
    return out;
}

// --- Display

Handle FakePlatform::CreateDCA(const char* driver, const char* device, const char* output,
                               const void* init) {
    Record("CreateDCA(" + Str(driver) + ", " + Str(device) + ", " + Str(output) + ", " +
           (init ? "ptr" : "null") + ")");
    if (createDcResult != 0) {
        liveObjects.insert(createDcResult);
        currentFont_ = stockFont;
        textColor_ = dcTextColor;
        backColor_ = dcBackColor;
    }
    return createDcResult;
}

Handle FakePlatform::GetWindowDC(Handle hwnd) {
    Record("GetWindowDC(" + Hex(hwnd) + ")");
    if (windowDcResult != 0) liveObjects.insert(windowDcResult);
    return windowDcResult;
}

std::int32_t FakePlatform::GetDeviceCaps(Handle dc, std::int32_t index) {
    Record("GetDeviceCaps(" + Hex(dc) + ", " + std::to_string(index) + ")");
    return index == kHorzRes ? screenWidth : index == kVertRes ? screenHeight : 0;
}

std::int32_t FakePlatform::ReleaseDC(Handle hwnd, Handle dc) {
    Record("ReleaseDC(" + Hex(hwnd) + ", " + Hex(dc) + ")");
    return liveObjects.erase(dc) ? 1 : 0;
}

ColorRef FakePlatform::GetTextColor(Handle dc) {
    Record("GetTextColor(" + Hex(dc) + ")");
    return textColor_;
}

ColorRef FakePlatform::SetTextColor(Handle dc, ColorRef c) {
    Record("SetTextColor(" + Hex(dc) + ", " + std::to_string(c) + ")");
    ColorRef old = textColor_;
    textColor_ = c;
    return old;
}

ColorRef FakePlatform::GetBkColor(Handle dc) {
    Record("GetBkColor(" + Hex(dc) + ")");
    return backColor_;
}

ColorRef FakePlatform::SetBkColor(Handle dc, ColorRef c) {
    Record("SetBkColor(" + Hex(dc) + ", " + std::to_string(c) + ")");
    ColorRef old = backColor_;
    backColor_ = c;
    return old;
}

Handle FakePlatform::CreateFontA(const FontRequest& f) {
    std::ostringstream out;
    out << "CreateFontA(" << f.height << ", " << f.width << ", " << f.escapement << ", "
        << f.orientation << ", " << f.weight << ", " << f.italic << ", " << f.underline << ", "
        << f.strikeOut << ", " << f.charSet << ", " << f.outPrecision << ", " << f.clipPrecision
        << ", " << f.quality << ", " << f.pitchAndFamily << ", \"" << f.faceName << "\")";
    Record(out.str());
    if (fontResult != 0) liveObjects.insert(fontResult);
    return fontResult;
}

Handle FakePlatform::SelectObject(Handle dc, Handle obj) {
    Record("SelectObject(" + Hex(dc) + ", " + Hex(obj) + ")");
    Handle old = currentFont_;
    currentFont_ = obj;
    return old;
}

std::int32_t FakePlatform::DrawTextA(Handle dc, const char* text, std::int32_t count, Rect* rect,
                                     std::uint32_t format) {
    drawnText.assign(text, static_cast<std::size_t>(count));
    drawnBox = *rect;
    Record("DrawTextA(" + Hex(dc) + ", \"" + drawnText + "\", " + std::to_string(count) + ", " +
           RectText(rect) + ", " + std::to_string(format) + ")");
    return 1;
}

std::int32_t FakePlatform::DeleteObject(Handle obj) {
    Record("DeleteObject(" + Hex(obj) + ")");
    return liveObjects.erase(obj) ? 1 : 0;
}

std::int32_t FakePlatform::DeleteDC(Handle dc) {
    Record("DeleteDC(" + Hex(dc) + ")");
    return liveObjects.erase(dc) ? 1 : 0;
}

std::int32_t FakePlatform::SystemParametersInfoA(std::uint32_t action, std::uint32_t param,
                                                 Rect* rect, std::uint32_t winIni) {
    Record("SystemParametersInfoA(" + std::to_string(action) + ", " + std::to_string(param) +
           ", " + RectText(rect) + ", " + std::to_string(winIni) + ")");
    if (action == kSpiGetWorkArea && rect != nullptr) *rect = workArea;
    return 1;
}

ColorRef FakePlatform::GetSysColor(std::int32_t index) {
    Record("GetSysColor(" + std::to_string(index) + ")");
    return sysColor;
}

// --- Settings

std::string FakePlatform::GetSetting(const std::string& app, const std::string& section,
                                     const std::string& key, const std::string& fallback) {
    Record("GetSetting(" + app + ", " + section + ", " + key + ", " + fallback + ")");
    auto it = stored.find(key);
    return it == stored.end() ? fallback : it->second;
}

void FakePlatform::SaveSetting(const std::string& app, const std::string& section,
                               const std::string& key, const std::string& value) {
    Record("SaveSetting(" + app + ", " + section + ", " + key + ", " + value + ")");
    if (refuseWrites.count(key)) throw SettingsError("the store refused " + key);
    stored[key] = value;
}

// --- Form

void FakePlatform::Load(const FormSpec& layout, FormEvents& ev) {
    Record(std::string("Load(") + layout.title + ")");
    loaded = true;
    events = &ev;
    ev.OnLoad();
}

void FakePlatform::Show() { Record("Show()"); }
double FakePlatform::Width() {
    Record("Width()");
    return outerWidth;
}
double FakePlatform::Height() {
    Record("Height()");
    return outerHeight;
}
void FakePlatform::Move(std::int32_t left, std::int32_t top) {
    Record("Move(" + std::to_string(left) + ", " + std::to_string(top) + ")");
}
void FakePlatform::Unload() {
    Record("Unload()");
    loaded = false;
}
Handle FakePlatform::hWnd() {
    Record("hWnd()");
    return kHwnd;
}

std::string FakePlatform::GetText(Ctl c) {
    Record(std::string("GetText(") + CtlName(c) + ")");
    if (c == Ctl::fBox) {
        return listIndex >= 0 ? items[static_cast<std::size_t>(listIndex)] : std::string();
    }
    return texts[c];
}

void FakePlatform::SetText(Ctl c, const std::string& text) {
    Record(std::string("SetText(") + CtlName(c) + ", " + text + ")");
    if (c == Ctl::fBox) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == text) {
                listIndex = static_cast<int>(i);
                return;
            }
        }
        throw FormError("no entry " + text);
    }
    texts[c] = text;
}

void FakePlatform::AddItem(Ctl c, const std::string& item) {
    Record(std::string("AddItem(") + CtlName(c) + ", " + item + ")");
    items.push_back(item);
}

void FakePlatform::SetListIndex(Ctl c, std::int32_t index) {
    Record(std::string("SetListIndex(") + CtlName(c) + ", " + std::to_string(index) + ")");
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) throw FormError("no entry");
    listIndex = index;
}

ColorRef FakePlatform::GetBackColor(Ctl c) {
    Record(std::string("GetBackColor(") + CtlName(c) + ")");
    return colors[c];
}

void FakePlatform::SetBackColor(Ctl c, ColorRef color) {
    Record(std::string("SetBackColor(") + CtlName(c) + ", " + std::to_string(color) + ")");
    colors[c] = color;
}

void FakePlatform::Refresh(Ctl c) { Record(std::string("Refresh(") + CtlName(c) + ")"); }

std::int32_t FakePlatform::ScreenFontCount() {
    Record("ScreenFontCount()");
    return static_cast<std::int32_t>(fontList.size());
}

std::string FakePlatform::ScreenFont(std::int32_t i) {
    Record("ScreenFont(" + std::to_string(i) + ")");
    return fontList.at(static_cast<std::size_t>(i));
}

double FakePlatform::TwipsPerPixelX() {
    Record("TwipsPerPixelX()");
    return twipsX;
}
double FakePlatform::TwipsPerPixelY() {
    Record("TwipsPerPixelY()");
    return twipsY;
}

std::int32_t FakePlatform::MsgBox(const std::string& prompt, std::int32_t style) {
    Record("MsgBox(" + prompt + ", " + std::to_string(style) + ")");
    messages.emplace_back(prompt, style);
    if (onMsgBox) onMsgBox();
    return msgBoxAnswer;
}

Handle FakePlatform::hInstance() {
    Record("hInstance()");
    return kInstance;
}
std::string FakePlatform::Command() {
    Record("Command()");
    return commandLine;
}
void FakePlatform::End(std::int32_t exitStatus) {
    Record("End(" + std::to_string(exitStatus) + ")");
    ++ended;
}

// --- Dialogs

std::int32_t FakePlatform::ChooseColorA(ChooseColorRecord& r) {
    Record("ChooseColorA(" + std::to_string(r.rgbResult) + ")");
    lastColorRecord = r;
    lastCustomColors.assign(r.lpCustColors, r.lpCustColors + 16);
    for (int i = 0; i < 16; ++i) r.lpCustColors[i] = 0x123456;  // the user defines some
    if (onDialog) onDialog();
    if (dialogResult != 0) r.rgbResult = dialogColor;
    return dialogResult;
}

std::int32_t FakePlatform::GetOpenFileNameA(OpenFileNameRecord& r) {
    Record("GetOpenFileNameA()");
    lastFileRecord = r;
    lastFilter.assign(r.lpstrFilter, r.lpstrFilter + [&] {
        std::size_t n = 0;
        while (!(r.lpstrFilter[n] == '\0' && r.lpstrFilter[n + 1] == '\0')) ++n;
        return n + 2;
    }());
    lastTitle = r.lpstrTitle ? r.lpstrTitle : "";
    lastDefExt = r.lpstrDefExt ? r.lpstrDefExt : "(null)";
    if (dialogResult != 0) {
        std::strncpy(r.lpstrFile, dialogPath.c_str(), r.nMaxFile);
    }
    return dialogResult;
}

std::int32_t FakePlatform::GetSaveFileNameA(OpenFileNameRecord& r) {
    calls.push_back("GetSaveFileNameA()");
    auto n = calls.size();
    std::int32_t result = GetOpenFileNameA(r);
    calls.erase(calls.begin() + static_cast<std::ptrdiff_t>(n));  // keep one entry per call
    return result;
}

}  // namespace scriblane::fake
