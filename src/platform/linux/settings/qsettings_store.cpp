// The per-user settings store on Linux: QSettings reads, a line editor writes.
#include "platform/linux/settings/qsettings_store.h"

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstddef>

#include "platform/linux/settings/ini_text.h"
#include "platform/linux/settings/settings_file.h"
#include "platform/linux/settings/settings_save.h"

namespace scriblane::linuxp {
namespace {

QString FromBytes(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string ToBytes(const QString& s) { return s.toUtf8().toStdString(); }


QString Key(const std::string& section, const std::string& key) {
    return FromBytes(section) + QLatin1Char('/') + FromBytes(key);
}

QString FilePathOf(const std::string& app) {
    // Worked out once, by the settings text, wherever it can be sure of it:
    // `scriblane` reads the same file without QtCore. Only an environment
    // unusual enough for it to defer is left to QtCore, as the module then
    // serves `scriblane` too.
    if (const auto plain = PlainSettingsFilePath(app)) {
        return QFile::decodeName(QByteArray::fromStdString(*plain));
    }
    // Where QSettings keeps the user's file for organisation and application
    // `app`, worked out without opening it.
    return QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QLatin1Char('/') + FromBytes(app) + QLatin1Char('/') + FromBytes(app) +
                     QStringLiteral(".conf"))
        .absoluteFilePath();
}

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The value of `section`/`key` in the INI file at `path`, as the store
// returns it, or `fallback`.
std::string ReadValue(const QString& path, const std::string& section, const std::string& key,
                      const std::string& fallback) {
    QSettings settings(path, QSettings::IniFormat);
    // Every section parsed, in QSettings' own order, before the look-up: a
    // single look-up parses only the section it guesses, so what it finds
    // would hang on which look-ups came before.
    (void)settings.allKeys();
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

}  // namespace

std::string QtSettingsStore::FilePath(const std::string& app) { return ToBytes(FilePathOf(app)); }

std::string QtSettingsStore::GetSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& fallback) {
    const QString path = FilePathOf(app);
    // A FIFO or a device in the file's place would block the read, and with
    // it start-up or command-line drawing: only a regular file is read, and
    // one of a bounded size. The user's own file alone, as the per-user store
    // it stands for: no system-wide or organisation-wide defaults.
    const SettingsFileRead probe = ReadSettingsFile(Native(path), false);
    if (probe.result != SettingsFileRead::Read) {
        if (report_ && !reported_ && probe.result != SettingsFileRead::Missing) {
            ReportUnreadable(Native(path), probe);
            reported_ = true;
        }
        return fallback;
    }
    return ReadValue(path, section, key, fallback);
}

void QtSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
    const QString path = FilePathOf(app);
    const std::string prefix = "Cannot save the settings to " + ToBytes(path) + ": ";
    const auto refuse = [&](const std::string& why) { throw SettingsError(prefix + why); };
    const auto unwritable = [](int error) {
        return "the file or its folder cannot be written (" + SaveErrorReason(error) + ")";
    };
    const std::string folder = Native(QFileInfo(path).absolutePath());
    const std::string name = Native(QFileInfo(path).fileName());

    // As root in a user's folder, every step below runs with the user's
    // rights: whatever links or folders the user has put on the way, the
    // kernel lets the save do only what the user could.
    const ActingAs owner(SaveIdentityFor(folder, folder + "/" + name));
    if (owner.failed()) refuse("cannot take on the rights of the folder's owner");
    if (!MakeFolders(folder)) refuse(unwritable(errno));

    // Read, edit and replace all happen in the folder opened once and under
    // the lock of the file itself, the link's target: every path to one file
    // takes the one lock.
    SaveTarget target;
    FileLock lock;
    const auto via = [&] {
        return target.viaLink ? " (the link leads to " + target.path + ")" : std::string();
    };
    for (int attempt = 0;; ++attempt) {
        if (!OpenSaveTarget(folder, name, target)) refuse(unwritable(errno));
        // No lock beside something that is not a settings file: a link to a
        // device would otherwise leave one in /dev.
        struct stat there {};
        if (::fstatat(target.folder.get(), target.name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISREG(there.st_mode)) {
            refuse("it is not a regular file" + via());
        }
        switch (lock.Acquire(target.folder.get(), target.name + ".lock", kSettingsLockWait)) {
            case FileLock::Result::Held:
                break;
            case FileLock::Result::Busy:
                refuse("another program keeps them locked");
            case FileLock::Result::NotRegular:
                refuse("its lock " + target.path + ".lock is not a regular file");
            case FileLock::Result::Failed:
                refuse(unwritable(errno) + via());
        }
        // A link changed while this one waited locks another file.
        SaveTarget now;
        if (!OpenSaveTarget(folder, name, now)) refuse(unwritable(errno));
        if (now.dev == target.dev && now.ino == target.ino && now.name == target.name) break;
        lock.Release();
        if (attempt == 10) refuse("its symbolic links keep changing");
    }
    const std::string where = via();
    SettingsFileRead read = ReadSettingsFileAt(target.folder.get(), target.name);
    switch (read.result) {
        case SettingsFileRead::Read:
        case SettingsFileRead::Missing:
            break;
        case SettingsFileRead::NotRegular:
            refuse("it is not a regular file" + where);
        case SettingsFileRead::Denied:
        case SettingsFileRead::TooLarge:
        case SettingsFileRead::Failed:
            // Rewriting a file that cannot be read would lose what it holds.
            refuse("the file cannot be read (" + UnreadableReason(read) + ")" + where);
    }
    if (read.result == SettingsFileRead::Read) {
        // Its owner made it read-only: that is a wish, not an obstacle.
        if ((read.st.st_mode & S_IWUSR) == 0) refuse("the file is read-only" + where);
        const Descriptor writable(::openat(target.folder.get(), target.name.c_str(),
                                           O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY |
                                               O_CLOEXEC));
        if (!writable.valid()) {
            // A file in the user's own folder is the user's to replace,
            // whoever made it; one a link leads to elsewhere is not.
            struct stat dir {};
            const uid_t me = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1)));
            const bool ownFolder = ::fstat(target.folder.get(), &dir) == 0 && dir.st_uid == me;
            if (target.viaLink || !ownFolder) {
                refuse("you may not write " + target.path + " (" + SaveErrorReason(errno) + ")");
            }
        }
    }
    IniDocument document(std::move(read.text));
    if (!document.Set(EscapedIniName(section), EscapedIniName(key), EscapedIniValue(value))) {
        refuse("another line of the file would keep the old value");
    }
    if (document.Text().size() > kMaxSettingsFileBytes) {
        refuse("the file would grow larger than 1 MiB");
    }
    NewFile next(target);
    if (!next.Write(document.Text(), read.result == SettingsFileRead::Read ? &read.st : nullptr)) {
        refuse(unwritable(errno) + where);
    }
    // Read back as the window reads it, from the new file before it replaces
    // the old one: a save that would not read back changes nothing.
    const std::string unlikely = value + "\x01(not read back)";
    if (ReadValue(QFile::decodeName(QByteArray::fromStdString(next.ReadPath())), section, key,
                  unlikely) != value) {
        refuse("the saved value would not read back; the file was left as it was");
    }
    if (!next.Replace()) {
        refuse(errno == EIO ? std::string("the new file did not take the settings file's name")
                            : unwritable(errno));
    }
}

}  // namespace scriblane::linuxp
