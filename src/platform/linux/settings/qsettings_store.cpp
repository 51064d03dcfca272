// The per-user settings store on Linux: QSettings reads, a line editor writes.
#include "platform/linux/settings/qsettings_store.h"

#include "platform/linux/settings/ini_text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cerrno>
#include <chrono>
#include <thread>
#include <cstddef>
#include <vector>

namespace scriblane::linuxp {
namespace {

QString FromBytes(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string ToBytes(const QString& s) { return s.toUtf8().toStdString(); }

bool IsValidUtf8(const std::string& s) {
    // Round trip through QString: lossless exactly when the bytes are UTF-8.
    return FromBytes(s).toUtf8() == QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

QString Key(const std::string& section, const std::string& key) {
    return FromBytes(section) + QLatin1Char('/') + FromBytes(key);
}

QString FilePathOf(const std::string& app) {
    // Where QSettings keeps the user's file for organisation and application
    // `app`, worked out without opening it.
    return QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QLatin1Char('/') + FromBytes(app) + QLatin1Char('/') + FromBytes(app) +
                     QStringLiteral(".conf"))
        .absoluteFilePath();
}

constexpr std::size_t npos = std::string::npos;

// ---- The file's text, edited line by line ----------------------------------
// A save changes one line (or adds one) and leaves every other byte alone:
// comments, hand-written lines the reader cannot parse and keys of other
// programs all survive. The line rules are those of QSettings' reader, so a
// line found here is the line it reads.

// A section or key name as the file spells it.
std::string EscapedName(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const QChar qc : FromBytes(name)) {
        const char16_t ch = qc.unicode();
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                   (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.') {
            out += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hex[ch / 16];
            out += hex[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(ch >> shift) & 0xF];
        }
    }
    return out;
}

// A text value as the file spells it, so that QSettings reads back exactly
// these bytes: a leading '@' doubled, bytes that are not UTF-8 kept as
// @ByteArray(...), specials escaped, quotes where blanks or ",;=" would be
// misread.
std::string EscapedValue(const std::string& value) {
    const bool utf8 = IsValidUtf8(value);
    std::string body;
    if (!utf8) {
        body = "@ByteArray(" + value + ")";
    } else {
        body = (!value.empty() && value[0] == '@') ? "@" + value : value;
    }
    static const char hex[] = "0123456789abcdef";
    auto hexEscape = [&](std::string& out, unsigned char c) {
        out += "\\x";
        if (c >= 16) out += hex[c / 16];
        out += hex[c % 16];
    };
    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (const char sc : body) {
        const auto c = static_cast<unsigned char>(sc);
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        const bool isHex =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (escapeNextIfHex && isHex) {
            hexEscape(out, c);
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
            case '\0': out += "\\0"; escapeNextIfHex = true; break;
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\v': out += "\\v"; break;
            case '"':
            case '\\':
                out += '\\';
                out += sc;
                break;
            default:
                if (c <= 0x1F || (c >= 0x7F && !utf8)) {
                    hexEscape(out, c);
                    escapeNextIfHex = true;
                } else {
                    out += sc;
                }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) {
        out = '"' + out + '"';
    }
    return out;
}

// `text` with `key` of `section` set to `value` (both already escaped).
// The key's last line in the section gets the new value; a key not there yet
// goes after the section's last line; a section not there yet goes at the end.
std::string WithValue(const std::string& text, const std::string& section, const std::string& key,
                      const std::string& value) {
    const IniText ini = SplitIniLines(text);
    long match = -1;
    long anchor = -1;  // the target section's last line, its header at least
    bool inSection = false;
    for (std::size_t k = 0; k < ini.lines.size(); ++k) {
        const IniLine& line = ini.lines[k];
        if (text[line.start] == '[') {
            std::size_t close = text.find(']', line.start);
            if (close == npos || close >= line.end) close = line.end;
            inSection = IniTrimmed(text.substr(line.start + 1, close - line.start - 1)) == section;
            if (inSection) anchor = static_cast<long>(k);
            continue;
        }
        if (!inSection) continue;
        anchor = static_cast<long>(k);
        if (line.equals == npos) continue;
        std::size_t keyEnd = line.equals;
        while (keyEnd > line.start && (text[keyEnd - 1] == ' ' || text[keyEnd - 1] == '\t')) {
            --keyEnd;
        }
        if (text.compare(line.start, keyEnd - line.start, key) == 0) match = static_cast<long>(k);
    }
    if (match >= 0) {
        // Blanks around the old value and a comment after it stay.
        const IniLine& line = ini.lines[static_cast<std::size_t>(match)];
        std::size_t from = line.equals + 1;
        std::size_t to = line.end;
        while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
        while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
        std::string out = text;
        out.replace(from, to - from, value);
        return out;
    }
    // What brings the end of the text back to the start of a fresh line,
    // without changing what the last line reads as.
    std::string closing;
    if (ini.endsInEscape) closing += '\n';  // taken by the backslash as a line continuation
    if (ini.endsInQuotes) closing += '"';
    if (ini.endsInEscape || ini.endsInQuotes ||
        (!text.empty() && !IsIniLineBreak(text.back()))) {
        closing += '\n';
    }
    const std::string entry = key + "=" + value + "\n";
    if (anchor >= 0) {
        std::size_t at = ini.lines[static_cast<std::size_t>(anchor)].end;
        while (at < text.size() && !IsIniLineBreak(text[at])) ++at;  // a comment after ';'
        if (at < text.size()) {
            at += (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ? 2 : 1;
            std::string out = text;
            out.insert(at, entry);
            return out;
        }
        return text + closing + entry;
    }
    return text + closing + (text.empty() ? "" : "\n") + "[" + section + "]\n" + entry;
}

// ---- The file itself -------------------------------------------------------

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The file that `path` stands for: a link (a dotfile manager's, say) is
// written through, not replaced by a file of its own.
bool ResolveLinks(QString& path) {
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink()) return true;
        path = info.symLinkTarget();
    }
    return false;
}

// The lock: flock(2) on "<file>.lock". The kernel lets go of it when its
// holder dies, so a writer killed at any point never holds up the next one.
// QLockFile, which QSettings writes under, takes the same flock on the same
// file before it would remove it, so the two keep out of each other's way.
// The file itself stays: removing it could let two writers lock two files.
class FileLock {
public:
    enum class Result { Held, Busy, Failed };
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    Result Acquire(const std::string& name, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
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

private:
    int fd_ = -1;
};

enum class ReadResult { Read, Missing, NotRegular, Failed };

// The whole file, or why not. Opened without waiting, so that a FIFO or a
// device never holds the save up.
ReadResult ReadWhole(const std::string& path, std::string& text, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::NotRegular;
    }
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return ReadResult::Failed;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ReadResult::Read;
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

// Replaces `path` by `bytes` in one rename: a reader, or a writer killed at
// any point, sees the old file or the new one. The temporary file has one
// fixed name, used only under the lock, so a killed writer leaves at most
// that one behind and the next save reuses it.
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

}  // namespace

std::string QtSettingsStore::FilePath(const std::string& app) { return ToBytes(FilePathOf(app)); }

std::string QtSettingsStore::GetSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& fallback) {
    const QString path = FilePathOf(app);
    // A FIFO or a device in the file's place would block the read, and with
    // it start-up or command-line drawing: only a regular file is read. The
    // user's own file alone, as the per-user store it stands for: no
    // system-wide or organisation-wide defaults.
    struct stat st {};
    if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return fallback;
    QSettings settings(path, QSettings::IniFormat);
    const QVariant value = settings.value(Key(section, key));
    if (!value.isValid()) return fallback;
    switch (value.typeId()) {
        case QMetaType::QString:
            return ToBytes(value.toString());
        case QMetaType::QByteArray:  // bytes that were not UTF-8 when saved
            return value.toByteArray().toStdString();
        case QMetaType::QStringList:
            return ToBytes(value.toStringList().join(QLatin1Char(',')));
        default:
            // A hand-written @Variant(...) or similar: its text form when it
            // has one, else nothing readable is stored.
            if (value.canConvert<QString>()) {
                const QString text = value.toString();
                if (!text.isNull()) return ToBytes(text);
            }
            return fallback;
    }
}

void QtSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
    const QString path = FilePathOf(app);
    const std::string prefix = "Cannot save the settings to " + ToBytes(path) + ": ";
    const char* const unwritable = "the file or its folder cannot be written";
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) throw SettingsError(prefix + unwritable);

    // Read, edit and replace all happen under the file's lock.
    FileLock lock;
    switch (lock.Acquire(Native(path + QStringLiteral(".lock")), 10000)) {
        case FileLock::Result::Held:
            break;
        case FileLock::Result::Busy:
            throw SettingsError(prefix + "another program keeps them locked");
        case FileLock::Result::Failed:
            throw SettingsError(prefix + unwritable);
    }
    QString target = path;
    if (!ResolveLinks(target)) throw SettingsError(prefix + "its symbolic links go round in a loop");
    const std::string file = Native(target);
    std::string text;
    struct stat old {};
    const ReadResult read = ReadWhole(file, text, old);
    switch (read) {
        case ReadResult::Read:
        case ReadResult::Missing:
            break;
        case ReadResult::NotRegular:
            throw SettingsError(prefix + "it is not a regular file");
        case ReadResult::Failed:
            // Rewriting a file that cannot be read would lose what it holds.
            throw SettingsError(prefix + "the file cannot be read");
    }
    const std::string edited =
        WithValue(text, EscapedName(section), EscapedName(key), EscapedValue(value));
    if (!ReplaceFile(file, edited, read == ReadResult::Read ? &old : nullptr)) {
        throw SettingsError(prefix + unwritable);
    }
}

}  // namespace scriblane::linuxp
