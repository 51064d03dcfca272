// The settings file on disk, with no Qt: reading it whole, the lock writers
// share, and the replacement that leaves the old file or the new one.
#pragma once

#include <sys/stat.h>

#include <string>

namespace scriblane::linuxp {

struct SettingsFileRead {
    enum Result { Read, Missing, NotRegular, Failed };
    Result result = Failed;
    std::string text;     // with Read
    struct stat st {};    // with Read and NotRegular
    int error = 0;        // errno with Failed
};

// The whole file when it is a regular file (a missing one reads as
// Missing). Opened without waiting, so that a FIFO or a device in its place
// never holds the reader up.
SettingsFileRead ReadSettingsFile(const std::string& path);

// The file `path` stands for, its symbolic links followed (a dotfile
// manager's, say): false when they go round in a loop.
bool ResolveLinks(std::string& path);

// flock(2) on "<file>.lock". The kernel lets go of it when its holder dies,
// so a writer killed at any point never holds up the next one. QLockFile,
// which QSettings writes under, takes the same flock on the same file before
// it would remove it, so the two keep out of each other's way. The file
// itself stays: removing it could let two writers lock two files.
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
// any point, sees the old file or the new one. The temporary file has one
// fixed name, used only under the lock, so a killed writer leaves at most
// that one behind and the next save reuses it. The new file keeps the old
// one's mode (`old`; nothing for a new file).
bool ReplaceFile(const std::string& path, const std::string& bytes, const struct stat* old);

}  // namespace scriblane::linuxp
