// comdlg32's colour, open and save dialogs behind the core's CommonDialogs.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace scriblane::win32 {

// The SDK records filled from the core's, field by field.
CHOOSECOLORA ToSdk(const ChooseColorRecord& record);
OPENFILENAMEA ToSdk(const OpenFileNameRecord& record);

class Win32Dialogs : public CommonDialogs {
public:
    std::int32_t ChooseColorA(ChooseColorRecord& record) override;
    std::int32_t GetOpenFileNameA(OpenFileNameRecord& record) override;
    std::int32_t GetSaveFileNameA(OpenFileNameRecord& record) override;

protected:
    // The system calls; a test replaces them to see what would be passed.
    virtual BOOL CallChooseColor(CHOOSECOLORA& cc) { return ::ChooseColorA(&cc); }
    virtual BOOL CallOpen(OPENFILENAMEA& ofn) { return ::GetOpenFileNameA(&ofn); }
    virtual BOOL CallSave(OPENFILENAMEA& ofn) { return ::GetSaveFileNameA(&ofn); }

private:
    std::int32_t RunFile(OpenFileNameRecord& record, bool save);
};

}  // namespace scriblane::win32
