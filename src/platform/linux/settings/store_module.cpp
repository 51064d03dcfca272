// The settings store as a loadable module, so that `scriblane` loads QtCore
// only once it knows it is drawing from the command line: handing over to
// the window program first costs nothing of Qt.
#include "platform/linux/settings/qsettings_store.h"

extern "C" __attribute__((visibility("default"))) scriblane::SettingsStore*
scriblane_create_settings_store() {
    // Only command-line mode loads it, and there an unreadable file is said
    // on stderr, as the plain reader says it.
    return new scriblane::linuxp::QtSettingsStore(/*reportUnreadable=*/true);
}
