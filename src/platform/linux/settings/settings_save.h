// A save's steps on disk, with no Qt: whose rights it runs with, the folder it
// holds open, the lock writers share, and the replacement that leaves the old
// file or the new one.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace scriblane::linuxp {

// How long a saver waits for the others before it gives up.
inline constexpr std::chrono::seconds kSettingsLockWait{10};

// An owned descriptor, closed when it goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Release();

private:
    int fd_ = -1;
};

// The user whose rights a save runs with: nothing for the process's own. As
// root, the owner of the nearest folder on the settings file's way (or link
// standing for one) that is not root's, else of the file where that is not
// root's: root saving a user's settings (under sudo -E, say) must be no more
// able than that user to follow a link or a swapped folder into files that
// are not the user's.
struct SaveIdentity {
    uid_t uid;
    gid_t gid;
};
std::optional<SaveIdentity> SaveIdentityFor(const std::string& folder, const std::string& file);

// While it lives, this thread's file system rights are `who`'s: its user and
// groups, none of root's capabilities over files (the kernel drops them with
// the file system user). Only this thread: the window program's other
// threads keep theirs. `active()` is false where the switch failed, and then
// nothing was changed.
class ActingAs {
public:
    explicit ActingAs(const std::optional<SaveIdentity>& who);
    ActingAs(const ActingAs&) = delete;
    ActingAs& operator=(const ActingAs&) = delete;
    ~ActingAs();
    bool failed() const { return failed_; }

private:
    bool switched_ = false;
    bool failed_ = false;
    uid_t oldUid_ = 0;
    gid_t oldGid_ = 0;
    std::vector<gid_t> oldGroups_;
};

// Creates the folders of `path` that are missing. As root, a folder made
// inside someone else's is given to that owner, so that it never stands in
// the owner's way. False with errno set when it could not.
bool MakeFolders(const std::string& path);

// Where a save writes: the folder that holds the file once its symbolic
// links are followed (a dotfile manager's, say), open, and the file's name in
// it. Every later step works relative to `folder`, so that a folder renamed
// or replaced by a link meanwhile cannot send the save elsewhere.
struct SaveTarget {
    Descriptor folder;
    std::string name;
    std::string path;      // for messages
    bool viaLink = false;  // reached through a symbolic link
    dev_t dev = 0;         // the folder's identity, to tell whether links moved
    ino_t ino = 0;
};
// False with errno set: ELOOP when the links go round, else why a folder on
// the way could not be opened.
bool OpenSaveTarget(const std::string& folder, const std::string& name, SaveTarget& out);

// flock(2) on a lock file beside the settings file. The kernel lets go of it
// when its holder dies, so a writer killed at any point never holds up the
// next one. QLockFile, which QSettings writes under, takes the same flock on
// the same file before it would remove it, so the two keep out of each
// other's way. The file itself stays: removing it could let two writers lock
// two files. It is opened read-only, which is all flock needs, without
// following a link and without waiting, so that a FIFO, device or link
// planted in its place is refused at once. Waiters block in the kernel, woken
// as the lock is let go, rather than polling for it.
class FileLock {
public:
    enum class Result { Held, Busy, NotRegular, Failed };
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    Result Acquire(int folder, const std::string& name, std::chrono::milliseconds limit);
    void Release() { fd_ = Descriptor(); }

private:
    Descriptor fd_;
};

// The new text of a settings file, written beside it under one fixed name
// (used only under the lock, so a killed writer leaves at most that one
// behind and the next save reuses it) and on the disk before it can replace
// the old file. It keeps the old file's mode, and as root its owner and
// group; a user's new file is the user's. Its time of change moves past the
// old file's, because QSettings reuses what it parsed while a file's size and
// time stay the same.
class NewFile {
public:
    explicit NewFile(const SaveTarget& target) : target_(target) {}
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();
    // False with errno set.
    bool Write(const std::string& bytes, const struct stat* old);
    // A path to the written file for a reader that wants one (QSettings).
    std::string ReadPath() const;
    // Takes the settings file's name in one rename, and checks that the
    // file of that name is now this one. False with errno set (EIO when the
    // rename reported success and the old file is still there).
    bool Replace();

private:
    const SaveTarget& target_;
    std::string temp_;
    bool exists_ = false;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

// Why a step failed, for a message: "no space left on the device" and the like.
std::string SaveErrorReason(int error);

}  // namespace scriblane::linuxp
