// A save's steps on disk: the user's rights, the open folder, the lock and the replacement.
#include "platform/linux/settings/settings_save.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace scriblane::linuxp {
namespace {

using Clock = std::chrono::steady_clock;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file system user this thread acts as (setfsuid answers the current
// one when handed an id it refuses).
uid_t FileSystemUser() { return static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))); }

// Who a file made in `folder` by root should belong to: the folder's owner.
bool FolderOwner(int folder, uid_t& uid, gid_t& gid) {
    struct stat st {};
    if (::fstat(folder, &st) != 0) return false;
    uid = st.st_uid;
    gid = st.st_gid;
    return true;
}

void GiveToFolderOwner(int fd, int folder) {
    uid_t uid = 0;
    gid_t gid = 0;
    if (FolderOwner(folder, uid, gid) && uid != 0) (void)::fchown(fd, uid, gid);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// The groups of user `uid` (its own group `gid` among them).
std::vector<gid_t> GroupsOf(uid_t uid, gid_t gid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return {gid};
    }
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(found->pw_name, gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(found->pw_name, gid, groups.data(), &count) < 0) return {gid};
    }
    groups.resize(static_cast<std::size_t>(count));
    return groups;
}

// setgroups for this thread alone: the C library's setgroups changes every
// thread of the process, and the window program's other threads keep root's.
bool SetThreadGroups(const std::vector<gid_t>& groups) {
    return ::syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

// Blocks on the lock in the kernel until it is ours or `deadline` passes. A
// waiting thread does the blocking, on its own descriptor of the same open
// file: past the deadline it is left to finish, and lets go of whatever it
// gets once nothing wants it.
FileLock::Result WaitForLock(int fd, Clock::time_point deadline) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return FileLock::Result::Held;
    if (errno != EWOULDBLOCK && errno != EINTR) return FileLock::Result::Failed;
    struct Wait {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        int error = 0;
    };
    auto wait = std::make_shared<Wait>();
    const int waiterFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (waiterFd < 0) return FileLock::Result::Failed;
    try {
        std::thread([wait, waiterFd] {
            int result;
            while ((result = ::flock(waiterFd, LOCK_EX)) != 0 && errno == EINTR) {
            }
            const int error = result == 0 ? 0 : errno;
            std::lock_guard<std::mutex> hold(wait->mutex);
            // Closing this descriptor keeps the lock while the saver's own
            // one is open; once that one is closed too, it lets go.
            ::close(waiterFd);
            if (wait->abandoned) return;
            wait->finished = true;
            wait->error = error;
            wait->done.notify_all();
        }).detach();
    } catch (...) {
        ::close(waiterFd);
        return FileLock::Result::Failed;
    }
    std::unique_lock<std::mutex> hold(wait->mutex);
    if (!wait->done.wait_until(hold, deadline, [&] { return wait->finished; })) {
        wait->abandoned = true;
        return FileLock::Result::Busy;
    }
    if (wait->error != 0) {
        errno = wait->error;
        return FileLock::Result::Failed;
    }
    return FileLock::Result::Held;
}

}  // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

int Descriptor::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

std::optional<SaveIdentity> SaveIdentityFor(const std::string& folder, const std::string& file) {
    if (::geteuid() != 0) return std::nullopt;
    // The nearest folder on the way (or link standing for one) that is not
    // root's: its owner can rename or replace whatever lies below it.
    struct stat st {};
    uid_t uid = 0;
    gid_t gid = 0;
    for (std::string at = folder;; at = FolderOf(at)) {
        if (::lstat(at.c_str(), &st) == 0 && st.st_uid != 0) {
            uid = st.st_uid;
            gid = st.st_gid;
            break;
        }
        if (at == "/" || at == ".") break;
    }
    if (uid == 0 && ::lstat(file.c_str(), &st) == 0 && st.st_uid != 0) {
        uid = st.st_uid;
        gid = st.st_gid;
    }
    if (uid == 0) return std::nullopt;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        gid = found->pw_gid;
    }
    return SaveIdentity{uid, gid};
}

ActingAs::ActingAs(const std::optional<SaveIdentity>& who) {
    if (!who) return;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> own(static_cast<std::size_t>(count > 0 ? count : 0));
    if (count < 0 || ::getgroups(count, own.data()) != count ||
        !SetThreadGroups(GroupsOf(who->uid, who->gid))) {
        failed_ = true;
        return;
    }
    oldGroups_ = std::move(own);
    oldGid_ = static_cast<gid_t>(::setfsgid(who->gid));
    oldUid_ = static_cast<uid_t>(::setfsuid(who->uid));
    switched_ = true;
    if (FileSystemUser() != who->uid ||
        static_cast<gid_t>(::setfsgid(static_cast<gid_t>(-1))) != who->gid) {
        failed_ = true;
    }
}

ActingAs::~ActingAs() {
    if (!switched_) {
        if (!oldGroups_.empty()) SetThreadGroups(oldGroups_);
        return;
    }
    ::setfsuid(oldUid_);
    ::setfsgid(oldGid_);
    SetThreadGroups(oldGroups_);
}

bool MakeFolders(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        errno = ENOTDIR;
        return false;
    }
    const std::string parent = FolderOf(path);
    if (parent != path && !MakeFolders(parent)) return false;
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (FileSystemUser() == 0) {
        // Root acting as root, in a folder of someone else's.
        const Descriptor made(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const Descriptor above(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (made.valid() && above.valid()) GiveToFolderOwner(made.get(), above.get());
    }
    if (::stat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool OpenSaveTarget(const std::string& folder, const std::string& name, SaveTarget& out) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) return false;
    std::string dirPath = folder;
    std::string leaf = name;
    bool viaLink = false;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::fstatat(dir.get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(st.st_mode)) {
            struct stat self {};
            if (::fstat(dir.get(), &self) != 0) return false;
            out.folder = std::move(dir);
            out.name = leaf;
            out.path = dirPath + "/" + leaf;
            out.viaLink = viaLink;
            out.dev = self.st_dev;
            out.ino = self.st_ino;
            return true;
        }
        viaLink = true;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlinkat(dir.get(), leaf.c_str(), target.data(), target.size());
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) >= target.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        target.resize(static_cast<std::size_t>(n));
        const std::size_t slash = target.rfind('/');
        if (slash != std::string::npos) {
            const std::string part = slash == 0 ? "/" : target.substr(0, slash);
            Descriptor next(::openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!next.valid()) return false;
            dir = std::move(next);
            dirPath = part[0] == '/' ? part : dirPath + "/" + part;
            leaf = target.substr(slash + 1);
        } else {
            leaf = target;
        }
        if (leaf.empty() || leaf == "." || leaf == "..") {
            errno = EISDIR;
            return false;
        }
    }
    errno = ELOOP;
    return false;
}

FileLock::Result FileLock::Acquire(int folder, const std::string& name,
                                   std::chrono::milliseconds limit) {
    Release();
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        Descriptor fd(::openat(folder, name.c_str(),
                               O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                               0666));
        if (!fd.valid()) {
            // A link or a folder in its place.
            return errno == ELOOP || errno == EISDIR ? Result::NotRegular : Result::Failed;
        }
        struct stat held {};
        if (::fstat(fd.get(), &held) != 0) return Result::Failed;
        if (!S_ISREG(held.st_mode)) return Result::NotRegular;
        const Result waited = WaitForLock(fd.get(), deadline);
        if (waited != Result::Held) return waited;
        // Still the file of that name, not one a QLockFile removed while
        // this one waited?
        struct stat named {};
        if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            if (held.st_uid == 0 && FileSystemUser() == 0) GiveToFolderOwner(fd.get(), folder);
            fd_ = std::move(fd);
            return Result::Held;
        }
        if (Clock::now() >= deadline) return Result::Busy;
    }
}

NewFile::~NewFile() {
    if (exists_) ::unlinkat(target_.folder.get(), temp_.c_str(), 0);
}

bool NewFile::Write(const std::string& bytes, const struct stat* old) {
    const int folder = target_.folder.get();
    temp_ = target_.name + ".saving";
    ::unlinkat(folder, temp_.c_str(), 0);
    Descriptor fd(::openat(folder, temp_.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.valid()) return false;
    exists_ = true;
    if (!WriteAll(fd.get(), bytes)) return false;
    struct stat now {};
    if (::fstat(fd.get(), &now) != 0) return false;
    const bool asRoot = FileSystemUser() == 0;
    if (old == nullptr) {
        if (asRoot && now.st_uid == 0) GiveToFolderOwner(fd.get(), folder);
    } else {
        if (asRoot) {
            // Root's save keeps the file's owner and group.
            if ((now.st_uid != old->st_uid || now.st_gid != old->st_gid) &&
                ::fchown(fd.get(), old->st_uid, old->st_gid) != 0) {
                return false;
            }
        } else if (now.st_gid != old->st_gid) {
            // A user's new file is the user's, in the old group where the
            // user may give it that one.
            (void)::fchown(fd.get(), static_cast<uid_t>(-1), old->st_gid);
        }
        // After the owner: a change of owner drops set-id bits.
        if (::fchmod(fd.get(), old->st_mode & 07777) != 0) return false;
        const auto ms = [](const timespec& t) {
            return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
        };
        if (::fstat(fd.get(), &now) != 0) return false;
        if (ms(now.st_mtim) <= ms(old->st_mtim)) {
            const long long next = ms(old->st_mtim) + 1;
            const timespec times[2] = {{0, UTIME_OMIT},
                                       {static_cast<time_t>(next / 1000),
                                        static_cast<long>(next % 1000) * 1000000}};
            if (::futimens(fd.get(), times) != 0) return false;
        }
    }
    if (::fsync(fd.get()) != 0) return false;
    if (::fstat(fd.get(), &now) != 0) return false;
    dev_ = now.st_dev;
    ino_ = now.st_ino;
    return ::close(fd.Release()) == 0;
}

std::string NewFile::ReadPath() const {
    // Through the open folder, so that no rename of a folder on the way can
    // swap what is read.
    const std::string viaFolder =
        "/proc/self/fd/" + std::to_string(target_.folder.get()) + "/" + temp_;
    if (::access(viaFolder.c_str(), F_OK) == 0) return viaFolder;
    return FolderOf(target_.path) + "/" + temp_;
}

bool NewFile::Replace() {
    const int folder = target_.folder.get();
    if (::renameat(folder, temp_.c_str(), folder, target_.name.c_str()) != 0) return false;
    struct stat named {};
    if (::fstatat(folder, target_.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (named.st_dev != dev_ || named.st_ino != ino_) {
        errno = EIO;  // the rename said it was done, and it was not
        return false;
    }
    exists_ = false;
    (void)::fsync(folder);  // the new name on the disk too
    return true;
}

std::string SaveErrorReason(int error) {
    switch (error) {
        case ENOSPC:
            return "no space left on the device";
        case EDQUOT:
            return "the disk quota is used up";
        case EROFS:
            return "read-only file system";
        case EACCES:
        case EPERM:
            return "permission denied";
        case ELOOP:
            return "its symbolic links go round in a loop";
        default:
            return std::strerror(error);
    }
}

}  // namespace scriblane::linuxp
