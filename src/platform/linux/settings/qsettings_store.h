// The per-user settings store on Linux: a file QSettings reads,
// $XDG_CONFIG_HOME/<app>/<app>.conf, one group per section.
#pragma once

#include <string>

#include "platform/platform.h"

namespace scriblane::linuxp {

class QtSettingsStore : public SettingsStore {
public:
    // With `reportUnreadable`, a settings file that exists but cannot be read
    // (no permission, larger than 1 MiB, not a regular file) is named on
    // stderr, once.
    explicit QtSettingsStore(bool reportUnreadable = false) : report_(reportUnreadable) {}

    // A value hand-edited into a list ("tw=1,2") comes back as its items
    // joined with "," — the text as written, less blanks around the commas.
    // A FIFO or anything else that is not a regular file, a file larger than
    // 1 MiB and one this user may not read all read as empty.
    std::string GetSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override;
    // Sets one line of the file and keeps every other byte of it; written
    // through a symbolic link, atomically (a replaced file) and under the
    // file's lock. Throws SettingsError naming the file when the write is
    // refused, also when the file cannot be read (nothing is written). The
    // saved value is what both readers then read: the line QSettings reads
    // the key from is the one edited, and the file is read back.
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    // The file that holds the settings of `app`.
    static std::string FilePath(const std::string& app);

private:
    bool report_;
    bool reported_ = false;
};

}  // namespace scriblane::linuxp
