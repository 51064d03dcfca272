// Settings in HKEY_CURRENT_USER\Software\<app>\<section>, one REG_SZ per key.
#pragma once

#include <string>

#include "platform/platform.h"

namespace scriblane::win32 {

class RegistryStore final : public SettingsStore {
public:
    std::string GetSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override;
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
};

// The system's text for an error code, without the trailing line break.
std::string SystemMessage(unsigned long code);

}  // namespace scriblane::win32
