// comdlg32's colour, open-file and save-file dialogs on Linux, built on Qt.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace scriblane::linuxp {

class QtDialogs : public CommonDialogs {
public:
    std::int32_t ChooseColorA(ChooseColorRecord& record) override;
    std::int32_t GetOpenFileNameA(OpenFileNameRecord& record) override;
    std::int32_t GetSaveFileNameA(OpenFileNameRecord& record) override;

private:
    std::int32_t RunFileDialog(OpenFileNameRecord& record, bool save);
};

// A comdlg32 filter ("name\0patterns\0...\0\0", patterns split by ';') as a
// Qt name filter list joined by ";;": "Text files (*.txt)". Empty for none.
std::string QtFilterFrom(const char* filter);

// Copies `path` into the record's buffer with its NUL and sets the name and
// extension offsets. False, with the buffer untouched, when the path and its
// NUL do not fit nMaxFile bytes (or there is no buffer).
bool StorePath(OpenFileNameRecord& record, std::string_view path);

}  // namespace scriblane::linuxp
