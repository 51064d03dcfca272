// The per-user settings store on Linux: QSettings reads, a line editor writes.
#include "platform/linux/settings/qsettings_store.h"

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
#include "platform/linux/text/utf8.h"

namespace scriblane::linuxp {
namespace {

QString FromBytes(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string ToBytes(const QString& s) { return s.toUtf8().toStdString(); }

// Bytes that come back unchanged through QString: UTF-8, less a leading
// byte-order mark, which QString drops.
bool IsValidUtf8(const std::string& s) { return IsUtf8(s) && s.rfind("\xEF\xBB\xBF", 0) != 0; }

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
        } else if (ch < 0x80 && IsIniNameChar(static_cast<char>(ch))) {
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
        if (escapeNextIfHex && IsHexDigit(sc)) {
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

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

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

void QtSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
    const QString path = FilePathOf(app);
    const std::string prefix = "Cannot save the settings to " + ToBytes(path) + ": ";
    const char* const unwritable = "the file or its folder cannot be written";
    const char* const loop = "its symbolic links go round in a loop";
    if (!MakeFolders(Native(QFileInfo(path).absolutePath()))) {
        throw SettingsError(prefix + unwritable);
    }

    // Read, edit and replace all happen under the lock of the file itself,
    // the link's target: every path to one file takes the one lock.
    FileLock lock;
    std::string file;
    for (int attempt = 0;; ++attempt) {
        file = Native(path);
        if (!ResolveLinks(file)) throw SettingsError(prefix + loop);
        switch (lock.Acquire(file + ".lock", 10000)) {
            case FileLock::Result::Held:
                break;
            case FileLock::Result::Busy:
                throw SettingsError(prefix + "another program keeps them locked");
            case FileLock::Result::Failed:
                throw SettingsError(prefix + unwritable);
        }
        // A link changed while this one waited locks another file.
        std::string now = Native(path);
        if (!ResolveLinks(now)) throw SettingsError(prefix + loop);
        if (now == file) break;
        if (attempt == 10) throw SettingsError(prefix + "its symbolic links keep changing");
    }
    SettingsFileRead read = ReadSettingsFile(file);
    switch (read.result) {
        case SettingsFileRead::Read:
        case SettingsFileRead::Missing:
            break;
        case SettingsFileRead::NotRegular:
            throw SettingsError(prefix + "it is not a regular file");
        case SettingsFileRead::Denied:
        case SettingsFileRead::TooLarge:
        case SettingsFileRead::Failed:
            // Rewriting a file that cannot be read would lose what it holds.
            throw SettingsError(prefix + "the file cannot be read (" + UnreadableReason(read) +
                                ")");
    }
    IniDocument document(std::move(read.text));
    if (!document.Set(EscapedName(section), EscapedName(key), EscapedValue(value))) {
        throw SettingsError(prefix + "another line of the file would keep the old value");
    }
    if (document.Text().size() > kMaxSettingsFileBytes) {
        throw SettingsError(prefix + "the file would grow larger than 1 MiB");
    }
    if (!ReplaceFile(file, document.Text(),
                     read.result == SettingsFileRead::Read ? &read.st : nullptr)) {
        throw SettingsError(prefix + unwritable);
    }
    // Read back as the window reads it, still under the lock. A save that
    // reports success has been read back.
    const std::string unlikely = value + "\x01(not read back)";
    if (GetSetting(app, section, key, unlikely) != value) {
        throw SettingsError(prefix + "the saved value does not read back");
    }
}

}  // namespace scriblane::linuxp
