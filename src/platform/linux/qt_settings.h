// The per-user settings store on Linux: QSettings in its native format,
// $XDG_CONFIG_HOME/<app>/<app>.conf, one group per section.
#pragma once

#include <string>

#include "platform/platform.h"

namespace scriblane::linuxp {

class QtSettingsStore : public SettingsStore {
public:
    // A value hand-edited into a list ("tw=1,2") comes back as its items
    // joined with "," — the text as written, less blanks around the commas.
    std::string GetSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override;
    // Written atomically (a replaced file, under a lock file); throws
    // SettingsError naming the file when the write is refused.
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
};

}  // namespace scriblane::linuxp
