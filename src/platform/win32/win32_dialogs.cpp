// comdlg32's colour, open-file and save-file dialogs.
#include "platform/win32/win32_dialogs.h"

#include <cstddef>

namespace scriblane::win32 {

#if !defined(_WIN64)
// The 32-bit program hands these records to comdlg32 with the sizes the core
// puts in lStructSize.
static_assert(sizeof(CHOOSECOLORA) == kChooseColorSize);
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(void*) == kOpenFileNameSize);
#endif

CHOOSECOLORA ToSdk(const ChooseColorRecord& r) {
    CHOOSECOLORA cc{};
    // The size is that of the SDK record of this build; on a 32-bit build it
    // equals the core's 36.
    cc.lStructSize = sizeof(CHOOSECOLORA);
    cc.hwndOwner = reinterpret_cast<HWND>(r.hwndOwner);
    cc.hInstance = reinterpret_cast<HWND>(r.hInstance);
    cc.rgbResult = static_cast<COLORREF>(r.rgbResult);
    cc.lpCustColors = reinterpret_cast<COLORREF*>(r.lpCustColors);
    cc.Flags = r.Flags;
    cc.lCustData = static_cast<LPARAM>(r.lCustData);
    cc.lpfnHook = reinterpret_cast<LPCCHOOKPROC>(r.lpfnHook);
    cc.lpTemplateName = r.lpTemplateName;
    return cc;
}

OPENFILENAMEA ToSdk(const OpenFileNameRecord& r) {
    OPENFILENAMEA ofn{};
    // The size without the Windows 2000 additions, as the core asks (76 on a
    // 32-bit build).
    ofn.lStructSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(void*);
    ofn.hwndOwner = reinterpret_cast<HWND>(r.hwndOwner);
    ofn.hInstance = reinterpret_cast<HINSTANCE>(r.hInstance);
    ofn.lpstrFilter = r.lpstrFilter;
    ofn.lpstrCustomFilter = r.lpstrCustomFilter;
    ofn.nMaxCustFilter = r.nMaxCustFilter;
    ofn.nFilterIndex = r.nFilterIndex;
    ofn.lpstrFile = r.lpstrFile;
    ofn.nMaxFile = r.nMaxFile;
    ofn.lpstrFileTitle = r.lpstrFileTitle;
    ofn.nMaxFileTitle = r.nMaxFileTitle;
    ofn.lpstrInitialDir = r.lpstrInitialDir;
    ofn.lpstrTitle = r.lpstrTitle;
    ofn.Flags = r.Flags;
    ofn.nFileOffset = r.nFileOffset;
    ofn.nFileExtension = r.nFileExtension;
    ofn.lpstrDefExt = r.lpstrDefExt;
    ofn.lCustData = static_cast<LPARAM>(r.lCustData);
    ofn.lpfnHook = reinterpret_cast<LPOFNHOOKPROC>(r.lpfnHook);
    ofn.lpTemplateName = r.lpTemplateName;
    return ofn;
}

std::int32_t Win32Dialogs::ChooseColorA(ChooseColorRecord& record) {
    CHOOSECOLORA cc = ToSdk(record);
    const BOOL ok = CallChooseColor(cc);
    if (ok) record.rgbResult = static_cast<ColorRef>(cc.rgbResult);
    return ok;
}

std::int32_t Win32Dialogs::RunFile(OpenFileNameRecord& record, bool save) {
    OPENFILENAMEA ofn = ToSdk(record);
    // The dialog writes the chosen path straight into record.lpstrFile.
    const BOOL ok = save ? CallSave(ofn) : CallOpen(ofn);
    record.Flags = ofn.Flags;
    record.nFilterIndex = ofn.nFilterIndex;
    record.nFileOffset = ofn.nFileOffset;
    record.nFileExtension = ofn.nFileExtension;
    return ok;
}

std::int32_t Win32Dialogs::GetOpenFileNameA(OpenFileNameRecord& record) {
    return RunFile(record, false);
}

std::int32_t Win32Dialogs::GetSaveFileNameA(OpenFileNameRecord& record) {
    return RunFile(record, true);
}

}  // namespace scriblane::win32
