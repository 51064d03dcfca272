// The settings file on disk: a bounded read that never waits, and why one failed.
#include "platform/linux/settings/settings_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace scriblane::linuxp {
namespace {

SettingsFileRead ReadOpened(int fd, bool text) {
    SettingsFileRead out;
    if (fd < 0) {
        out.error = errno;
        out.result = out.error == ENOENT                            ? SettingsFileRead::Missing
                     : (out.error == EACCES || out.error == EPERM) ? SettingsFileRead::Denied
                                                                    : SettingsFileRead::Failed;
        return out;
    }
    if (::fstat(fd, &out.st) != 0) {
        out.error = errno;
        ::close(fd);
        return out;
    }
    if (!S_ISREG(out.st.st_mode)) {
        out.result = SettingsFileRead::NotRegular;
    } else if (static_cast<unsigned long long>(out.st.st_size) > kMaxSettingsFileBytes) {
        out.result = SettingsFileRead::TooLarge;
    } else {
        out.result = SettingsFileRead::Read;
        // Never more than the bound, even from a file that grows meanwhile.
        char buffer[65536];
        while (text) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got == 0) break;
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                out.error = errno;
                out.result =
                    out.error == EACCES ? SettingsFileRead::Denied : SettingsFileRead::Failed;
                out.text.clear();
                break;
            }
            if (out.text.size() + static_cast<std::size_t>(got) > kMaxSettingsFileBytes) {
                out.result = SettingsFileRead::TooLarge;
                out.text.clear();
                break;
            }
            out.text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return out;
}

}  // namespace

SettingsFileRead ReadSettingsFile(const std::string& path, bool text) {
    return ReadOpened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY), text);
}

SettingsFileRead ReadSettingsFileAt(int folder, const std::string& name, bool text) {
    const int fd =
        ::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0 && errno == ELOOP) {
        SettingsFileRead out;
        out.result = SettingsFileRead::NotRegular;
        out.error = ELOOP;
        return out;
    }
    return ReadOpened(fd, text);
}

std::string UnreadableReason(const SettingsFileRead& read) {
    switch (read.result) {
        case SettingsFileRead::Read:
            return "it was read";
        case SettingsFileRead::Missing:
            return "it does not exist";
        case SettingsFileRead::NotRegular:
            return "it is not a regular file";
        case SettingsFileRead::Denied:
            return "permission denied";
        case SettingsFileRead::TooLarge:
            return "it is larger than 1 MiB";
        case SettingsFileRead::Failed:
            break;
    }
    return read.error != 0 ? std::strerror(read.error) : "it cannot be read";
}

void ReportUnreadable(const std::string& path, const SettingsFileRead& read) {
    std::fprintf(stderr, "scriblane: cannot read the settings file %s (%s); using the defaults\n",
                 path.c_str(), UnreadableReason(read).c_str());
}

}  // namespace scriblane::linuxp
