// The per-user settings store on Windows: the registry under HKEY_CURRENT_USER.
#include "platform/win32/registry_store.h"

#include <windows.h>

#include <vector>

namespace scriblane::win32 {
namespace {

std::string KeyPath(const std::string& app, const std::string& section) {
    return "Software\\" + app + "\\" + section;
}

// Closes the key on every way out.
class KeyHolder {
public:
    KeyHolder() = default;
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    ~KeyHolder() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::string SystemMessage(unsigned long code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr) text.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "system error " + std::to_string(code);
    return text;
}

std::string RegistryStore::GetSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& fallback) {
    KeyHolder hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE,
                      hkey.out()) != ERROR_SUCCESS)
        return fallback;
    // The value may change size between the two calls; try a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExA(hkey.get(), key.c_str(), nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        rc = RegQueryValueExA(hkey.get(), key.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
        // Stored text need not end in NUL; it ends at the first one or at `got`.
        std::size_t length = 0;
        while (length < got && data[length] != '\0') ++length;
        return std::string(data.data(), length);
    }
    return fallback;
}

void RegistryStore::SaveSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
    KeyHolder hkey;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, hkey.out(), nullptr);
    if (rc != ERROR_SUCCESS)
        throw SettingsError("cannot open HKEY_CURRENT_USER\\" + KeyPath(app, section) + ": " +
                            SystemMessage(static_cast<unsigned long>(rc)));
    if (value.size() >= 0xFFFFFFF0u) throw SettingsError("the value of " + key + " is too long");
    rc = RegSetValueExA(hkey.get(), key.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
    if (rc != ERROR_SUCCESS)
        throw SettingsError("cannot write " + key + ": " +
                            SystemMessage(static_cast<unsigned long>(rc)));
}

}  // namespace scriblane::win32
