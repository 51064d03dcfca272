#include "platform/linux/qt_settings.h"

#include <QByteArray>
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
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, FromBytes(app),
                       FromBytes(app));
    // Text that is not UTF-8 is kept byte for byte rather than mangled.
    if (IsValidUtf8(value)) {
        settings.setValue(Key(section, key), FromBytes(value));
    } else {
        settings.setValue(Key(section, key), QByteArray(value.data(), static_cast<qsizetype>(value.size())));
    }
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        throw SettingsError("Cannot save the settings to " + ToBytes(settings.fileName()) + ": " +
                            Describe(settings.status()));
    }
}

}  // namespace scriblane::linuxp
