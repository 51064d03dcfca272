// The system's colour, open-file and save-file dialogs, each as one blocking
// call that answers a plain value. Keeps no state between calls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace scriblane {

class cBrowse {
public:
    explicit cBrowse(Platform& platform) : platform_(platform) {}

    // The chosen file's full path, or "" when cancelled or failed.
    std::string dOpen(Handle hForm, const std::string& BoxTitle, const std::string& filterNameType,
                      const std::string& filterExtensions);
    std::string dsave(Handle hForm, const std::string& BoxTitle, const std::string& filterNameType,
                      const std::string& filterExtensions, const std::string& DefExt);
    // The chosen colour 0..16777215, or -1 when cancelled or failed.
    std::int32_t dcolor(Handle hForm, std::int32_t LastCol);

private:
    std::string RunFileDialog(bool save, Handle hForm, const std::string& title,
                              const std::string& filterNameType,
                              const std::string& filterExtensions, const std::string* defExt);
    Platform& platform_;
};

}  // namespace scriblane
