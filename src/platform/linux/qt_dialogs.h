// comdlg32's colour, open-file and save-file dialogs on Linux, built on Qt.
#pragma once

#include "platform/platform.h"

namespace scriblane::linuxp {

class QtDialogs : public CommonDialogs {
public:
    std::int32_t ChooseColorA(ChooseColorRecord& record) override;
    std::int32_t GetOpenFileNameA(OpenFileNameRecord& record) override;
    std::int32_t GetSaveFileNameA(OpenFileNameRecord& record) override;
};

}  // namespace scriblane::linuxp
