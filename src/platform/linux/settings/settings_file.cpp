// The settings file on disk: bounded read, links, folders, lock and atomic replacement.
#include "platform/linux/settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace scriblane::linuxp {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Who a file made in `folder` by root should belong to: the folder's owner.
bool FolderOwner(const std::string& folder, uid_t& uid, gid_t& gid) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return false;
    uid = st.st_uid;
    gid = st.st_gid;
    return true;
}

void GiveToFolderOwner(int fd, const std::string& path) {
    if (::geteuid() != 0) return;
    uid_t uid = 0;
    gid_t gid = 0;
    if (FolderOwner(FolderOf(path), uid, gid) && uid != 0) (void)::fchown(fd, uid, gid);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

SettingsFileRead ReadSettingsFile(const std::string& path, bool text) {
    SettingsFileRead out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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

bool ResolveLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return false;
        target.resize(static_cast<std::size_t>(n));
        path = (!target.empty() && target[0] == '/') ? target : FolderOf(path) + "/" + target;
    }
    return false;
}

bool MakeFolders(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = FolderOf(path);
    if (parent != path && !MakeFolders(parent)) return false;
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (::geteuid() == 0) {
        uid_t uid = 0;
        gid_t gid = 0;
        if (FolderOwner(parent, uid, gid) && uid != 0) (void)::chown(path.c_str(), uid, gid);
    }
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileLock::~FileLock() { Release(); }

void FileLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileLock::Result FileLock::Acquire(const std::string& name, int timeoutMs) {
    Release();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) return Result::Failed;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Still the file of that name, not one a QLockFile removed
            // while this one waited?
            struct stat held {};
            struct stat named {};
            if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                if (held.st_uid == 0) GiveToFolderOwner(fd, name);
                fd_ = fd;
                return Result::Held;
            }
            ::close(fd);
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR) return Result::Failed;
        if (std::chrono::steady_clock::now() >= deadline) return Result::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool ReplaceFile(const std::string& path, const std::string& bytes, const struct stat* old) {
    const std::string temp = path + ".saving";
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool written = WriteAll(fd, bytes);
    int error = written ? 0 : errno;
    struct stat now {};
    if (written && ::fstat(fd, &now) != 0) {
        error = errno;
        written = false;
    }
    if (old == nullptr) {
        if (written && now.st_uid == 0) GiveToFolderOwner(fd, temp);
    } else if (written) {
        // The owner's file stays the owner's: as root a save keeps owner
        // and group; anyone else cannot take over another user's file.
        if ((now.st_uid != old->st_uid || now.st_gid != old->st_gid) &&
            ::fchown(fd, old->st_uid, old->st_gid) != 0 && now.st_uid != old->st_uid) {
            error = errno;
            written = false;
        }
        // After the owner: a change of owner drops set-id bits.
        if (written && ::fchmod(fd, old->st_mode & 07777) != 0) {
            error = errno;
            written = false;
        }
        // QSettings reuses what it parsed while a file's size and time of
        // change (to the millisecond) stay the same: a save moves the time
        // on, or a reader in this process could go on seeing the old value.
        const auto ms = [](const timespec& t) {
            return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
        };
        if (written && ::fstat(fd, &now) == 0 && ms(now.st_mtim) <= ms(old->st_mtim)) {
            const long long next = ms(old->st_mtim) + 1;
            const timespec times[2] = {{0, UTIME_OMIT},
                                       {static_cast<time_t>(next / 1000),
                                        static_cast<long>(next % 1000) * 1000000}};
            if (::futimens(fd, times) != 0) {
                error = errno;
                written = false;
            }
        }
    }
    if (written && ::fsync(fd) != 0) {
        error = errno;
        written = false;
    }
    if (::close(fd) != 0 && written) {
        error = errno;
        written = false;
    }
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        if (written) error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    // The new name on the disk too (where the folder can be opened).
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace scriblane::linuxp
