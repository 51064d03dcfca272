#include "platform/linux/qt_dialogs.h"

namespace scriblane::linuxp {

std::int32_t QtDialogs::ChooseColorA(ChooseColorRecord&) { return 0; }
std::int32_t QtDialogs::GetOpenFileNameA(OpenFileNameRecord&) { return 0; }
std::int32_t QtDialogs::GetSaveFileNameA(OpenFileNameRecord&) { return 0; }

}  // namespace scriblane::linuxp
