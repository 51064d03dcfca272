// The settings of command-line mode: a plain file read here, anything else by the module.
#include "platform/linux/settings/command_line_settings.h"

#include <map>
#include <string>

#include "platform/linux/posix/module.h"
#include "platform/linux/settings/ini_text.h"
#include "platform/linux/settings/settings_file.h"
#include "settings/settings.h"

namespace scriblane::linuxp {
namespace {

// The settings store module; nullptr after one line on stderr.
std::unique_ptr<SettingsStore> LoadSettingsStore() {
    return std::unique_ptr<SettingsStore>(CreateFromModule<SettingsStore>(
        "scriblane-settings.so", "scriblane_create_settings_store",
        "the settings module scriblane-settings.so is missing"));
}

// The settings of command-line mode. Loading QtCore (and the ICU behind it)
// costs more than the whole drawing, so a file in the plain form the store
// writes is read here; anything else, and any write, goes to the store
// module, which reads exactly as the window program does.
class CommandLineSettings : public SettingsStore {
public:
    // Nothing after one line on stderr when the module is needed and
    // cannot be loaded.
    static std::unique_ptr<SettingsStore> Open() {
        if (const auto path = PlainSettingsFilePath(kAppName)) {
            const SettingsFileRead read = ReadSettingsFile(*path);
            if (read.result == SettingsFileRead::Read || read.result == SettingsFileRead::Missing) {
                if (auto values = IniDocument(read.text).PlainValues()) {
                    return std::make_unique<CommandLineSettings>(std::move(*values));
                }
            } else {
                // No permission, too large, not a file: said once, and the
                // defaults drawn, as for a file that holds nothing.
                ReportUnreadable(*path, read);
                return std::make_unique<CommandLineSettings>(std::map<std::string, std::string>());
            }
        }
        return LoadSettingsStore();
    }
    explicit CommandLineSettings(std::map<std::string, std::string> values)
        : values_(std::move(values)) {}

    std::string GetSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override {
        if (app == kAppName && IsPlainIniName(section) && IsPlainIniName(key) &&
            !IsGeneralSection(section)) {
            const auto found = values_.find(section + "/" + key);
            return found != values_.end() ? found->second : fallback;
        }
        return Module().GetSetting(app, section, key, fallback);
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        Module().SaveSetting(app, section, key, value);
    }

private:
    SettingsStore& Module() {
        if (!module_) module_ = LoadSettingsStore();
        if (!module_) throw SettingsError("the settings module cannot be loaded");
        return *module_;
    }

    std::map<std::string, std::string> values_;
    std::unique_ptr<SettingsStore> module_;
};
}  // namespace

std::unique_ptr<SettingsStore> OpenCommandLineSettings() { return CommandLineSettings::Open(); }

}  // namespace scriblane::linuxp
