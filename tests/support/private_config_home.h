// A test program's own configuration folder, so the user's stays out of reach.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace scriblane::testing {

// XDG_CONFIG_HOME points at a new, empty folder while this lives; the folder
// goes with it.
class PrivateConfigHome {
public:
    PrivateConfigHome() {
        char pattern[] = "/tmp/scriblane-qt-config-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        setenv("XDG_CONFIG_HOME", pattern, 1);
    }
    ~PrivateConfigHome() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    PrivateConfigHome(const PrivateConfigHome&) = delete;
    PrivateConfigHome& operator=(const PrivateConfigHome&) = delete;

    bool made() const { return !path_.empty(); }

private:
    std::string path_;
};

}  // namespace scriblane::testing
