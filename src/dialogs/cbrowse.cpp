// The common dialogs as single blocking calls: colour, open file, save file.
#include "dialogs/cbrowse.h"

#include <array>
#include <cstring>

#include "settings/settings.h"

namespace scriblane {

std::int32_t cBrowse::dcolor(Handle hForm, std::int32_t LastCol) {
    std::array<ColorRef, 16> custom{};  // fresh and black on every call
    ChooseColorRecord cc;
    cc.lStructSize = kChooseColorSize;
    cc.hwndOwner = hForm;
    cc.hInstance = platform_.form.hInstance();
    cc.rgbResult = LastCol;
    cc.lpCustColors = custom.data();
    cc.Flags = kCcRgbInit | kCcFullOpen;
    try {
        const std::int32_t answer =
            platform_.dialogs.ChooseColorA(cc) != 0 ? cc.rgbResult : -1;
        return IsPlainColor(answer) ? answer : -1;
    } catch (...) {
        return -1;
    }
}

std::string cBrowse::RunFileDialog(bool save, Handle hForm, const std::string& title,
                                   const std::string& filterNameType,
                                   const std::string& filterExtensions,
                                   const std::string* defExt) {
    std::string filter = filterNameType;
    filter.push_back('\0');
    filter += filterExtensions;
    filter.push_back('\0');
    filter.push_back('\0');
    std::array<char, 256> file{};

    OpenFileNameRecord ofn;
    ofn.lStructSize = kOpenFileNameSize;
    ofn.hwndOwner = hForm;
    ofn.hInstance = platform_.form.hInstance();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = 255;
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = 0;
    ofn.lpstrDefExt = defExt != nullptr ? defExt->c_str() : nullptr;
    try {
        const std::int32_t ok = save ? platform_.dialogs.GetSaveFileNameA(ofn)
                                     : platform_.dialogs.GetOpenFileNameA(ofn);
        if (ok == 0) return {};
        return std::string(file.data(), strnlen(file.data(), file.size()));
    } catch (...) {
        return {};
    }
}

std::string cBrowse::dOpen(Handle hForm, const std::string& BoxTitle,
                           const std::string& filterNameType,
                           const std::string& filterExtensions) {
    return RunFileDialog(false, hForm, BoxTitle, filterNameType, filterExtensions, nullptr);
}

std::string cBrowse::dsave(Handle hForm, const std::string& BoxTitle,
                           const std::string& filterNameType, const std::string& filterExtensions,
                           const std::string& DefExt) {
    return RunFileDialog(true, hForm, BoxTitle, filterNameType, filterExtensions, &DefExt);
}

}  // namespace scriblane
