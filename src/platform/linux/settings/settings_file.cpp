#include "platform/linux/settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace scriblane::linuxp {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
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

SettingsFileRead ReadSettingsFile(const std::string& path) {
    SettingsFileRead out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        out.error = errno;
        out.result = out.error == ENOENT ? SettingsFileRead::Missing : SettingsFileRead::Failed;
        return out;
    }
    if (::fstat(fd, &out.st) != 0 || !S_ISREG(out.st.st_mode)) {
        out.result = SettingsFileRead::NotRegular;
    } else {
        out.result = SettingsFileRead::Read;
        char buffer[65536];
        while (true) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got == 0) break;
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                out.error = errno;
                out.result = SettingsFileRead::Failed;
                out.text.clear();
                break;
            }
            out.text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return out;
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

FileLock::~FileLock() { Release(); }

void FileLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileLock::Result FileLock::Acquire(const std::string& name, int timeoutMs) {
    Release();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) return Result::Failed;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Still the file of that name, not one a QLockFile removed
            // while this one waited?
            struct stat held {};
            struct stat named {};
            if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
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
    if (old != nullptr) {
        (void)::fchmod(fd, old->st_mode & 07777);
        // QSettings reuses what it parsed while a file's size and time of
        // change (to the millisecond) stay the same: a save moves the time
        // on, or a reader in this process could go on seeing the old value.
        struct stat now {};
        const auto ms = [](const timespec& t) {
            return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
        };
        if (::fstat(fd, &now) == 0 && ms(now.st_mtim) <= ms(old->st_mtim)) {
            const long long next = ms(old->st_mtim) + 1;
            const timespec times[2] = {{0, UTIME_OMIT},
                                       {static_cast<time_t>(next / 1000),
                                        static_cast<long>(next % 1000) * 1000000}};
            written = written && ::futimens(fd, times) == 0;
        }
    }
    written = written && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace scriblane::linuxp
