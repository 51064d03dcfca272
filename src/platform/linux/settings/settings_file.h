// The settings file on disk, with no Qt: a bounded read that never waits, and
// why a file was not read.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace scriblane::linuxp {

// A settings file larger than this is not read: it costs the reader time and
// memory in proportion, and the program's own file stays under 1 KiB.
constexpr std::size_t kMaxSettingsFileBytes = 1024 * 1024;

struct SettingsFileRead {
    enum Result { Read, Missing, NotRegular, Denied, TooLarge, Failed };
    Result result = Failed;
    std::string text;     // with Read
    struct stat st {};    // with Read, NotRegular and TooLarge
    int error = 0;        // errno with Denied and Failed
};

// The whole file when it is a regular file of at most kMaxSettingsFileBytes
// (a missing one reads as Missing). Opened without waiting, so that a FIFO
// or a device in its place never holds the reader up. With `text` false only
// opened and measured.
SettingsFileRead ReadSettingsFile(const std::string& path, bool text = true);
// The same for `name` in the open folder `folder`, not following a link there
// (a link in its place reads as NotRegular).
SettingsFileRead ReadSettingsFileAt(int folder, const std::string& name, bool text = true);

// Why a file that was not read cannot be, for a message ("permission denied").
std::string UnreadableReason(const SettingsFileRead& read);

// One line on stderr: the file cannot be read, and the defaults stand in.
void ReportUnreadable(const std::string& path, const SettingsFileRead& read);

}  // namespace scriblane::linuxp
