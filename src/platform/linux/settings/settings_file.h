// The settings file on disk, with no Qt: a bounded read, the lock writers
// share, and the replacement that leaves the old file or the new one.
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

// Why a file that was not read cannot be, for a message ("permission denied").
std::string UnreadableReason(const SettingsFileRead& read);

// One line on stderr: the file cannot be read, and the defaults stand in.
void ReportUnreadable(const std::string& path, const SettingsFileRead& read);

// The file `path` stands for, its symbolic links followed (a dotfile
// manager's, say): false when they go round in a loop.
bool ResolveLinks(std::string& path);

// Creates the folders of `path` that are missing. As root, a folder made
// inside someone else's is given to that owner, so that it never stands in
// the owner's way.
bool MakeFolders(const std::string& path);

// flock(2) on "<file>.lock". The kernel lets go of it when its holder dies,
// so a writer killed at any point never holds up the next one. QLockFile,
// which QSettings writes under, takes the same flock on the same file before
// it would remove it, so the two keep out of each other's way. The file
// itself stays: removing it could let two writers lock two files. It is
// opened read-only, which is all flock needs, and made as root it goes to
// the owner of the folder it is in, so that it never locks the owner out.
class FileLock {
public:
    enum class Result { Held, Busy, Failed };
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();
    Result Acquire(const std::string& name, int timeoutMs);
    void Release();

private:
    int fd_ = -1;
};

// Replaces `path` by `bytes` in one rename: a reader, or a writer killed at
// any point, sees the old file or the new one, and the new one is on the
// disk before it takes the old one's name. The temporary file has one fixed
// name, used only under the lock, so a killed writer leaves at most that one
// behind and the next save reuses it. The new file keeps the old one's mode,
// owner and group (`old`, nothing for a new file: then as root it goes to
// the folder's owner). False with errno set when it could not be done.
bool ReplaceFile(const std::string& path, const std::string& bytes, const struct stat* old);

}  // namespace scriblane::linuxp
