#include "platform/linux/qt_settings.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

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

const char* Describe(QSettings::Status status) {
    switch (status) {
        case QSettings::AccessError:
            return "the file or its folder cannot be written";
        case QSettings::FormatError:
            return "the file is not in a readable format";
        default:
            return "unknown failure";
    }
}

}  // namespace

std::string QtSettingsStore::GetSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& fallback) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, FromBytes(app),
                       FromBytes(app));
    // The user's own file only, as the per-user store it stands for: no
    // system-wide or organisation-wide defaults.
    settings.setFallbacksEnabled(false);
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

namespace {

// One write; the status QSettings ends with.
QSettings::Status Write(const std::string& app, const std::string& section, const std::string& key,
                        const std::string& value, QString& fileName) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, FromBytes(app),
                       FromBytes(app));
    fileName = settings.fileName();
    // Text that is not UTF-8 is kept byte for byte rather than mangled.
    if (IsValidUtf8(value)) {
        settings.setValue(Key(section, key), FromBytes(value));
    } else {
        settings.setValue(Key(section, key),
                          QByteArray(value.data(), static_cast<qsizetype>(value.size())));
    }
    settings.sync();
    return settings.status();
}

}  // namespace

void QtSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
    const QString path =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, FromBytes(app), FromBytes(app))
            .fileName();
    // A writer killed between creating its lock file and filling it leaves
    // an empty lock, which QLockFile gives up on only after 30 s. A live
    // writer fills its lock at once, so an empty one a second old is stale.
    const QString lockName = path + QStringLiteral(".lock");
    if (QFileInfo lock(lockName); lock.exists() && lock.size() == 0) {
        QLockFile probe(lockName);
        probe.setStaleLockTime(1000);
        if (probe.tryLock(2000)) probe.unlock();
    }
    // What was there before, in case it turns out to be unparsable.
    QByteArray before;
    bool hadFile = false;
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            before = file.readAll();
            hadFile = true;
        }
    }
    QString fileName;
    QSettings::Status status = Write(app, section, key, value, fileName);
    if (status == QSettings::FormatError && hadFile) {
        // QSettings rewrote a file it could not parse, and a FormatError
        // would hide a refused write. The original bytes are kept beside it
        // (nothing lost) and the settings start afresh.
        QSaveFile aside(path + QStringLiteral(".damaged"));
        if (!aside.open(QIODevice::WriteOnly) || aside.write(before) != before.size() ||
            !aside.commit() || !QFile::remove(path)) {
            throw SettingsError("Cannot save the settings to " + ToBytes(path) +
                                ": the file is damaged and cannot be replaced");
        }
        status = Write(app, section, key, value, fileName);
    }
    if (status != QSettings::NoError) {
        throw SettingsError("Cannot save the settings to " + ToBytes(fileName) + ": " +
                            Describe(status));
    }
}

}  // namespace scriblane::linuxp
