#include "Profile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <limits>
#include <optional>
#include <utility>

namespace qtui {

namespace {

// One store object per call: QSettings is cheap to open and this keeps every
// write visible to the next read without shared state.
class Store {
public:
    Store(const QString& root, const QString& section)
        : settings(QSettings::NativeFormat, QSettings::UserScope, root,
                   QCoreApplication::applicationName()) {
        settings.beginGroup(section);
    }
    QSettings settings;
};

// An INI value with an unquoted comma reads as a list, whose parts have lost the
// blanks around the commas. Such a value was written by hand or by another
// tool, and its text is what it means: it is taken from its line in the file.
QString TextAsWritten(const QSettings& settings, const QString& section, const QString& entry) {
    QFile file(settings.fileName());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QString();
    }
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inSection = line == u'[' + section + u']';
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 && line.left(equals).trimmed() == entry) {
            return line.mid(equals + 1).trimmed();
        }
    }
    return QString();
}

// Writing one value rewrites the whole store file, and a value read as a list
// would be written back as a list joined anew. Every such value is set to its
// text as written first, so it keeps its meaning (it is then stored quoted).
void KeepListsAsWritten(QSettings& settings) {
    const QString section = settings.group();
    settings.endGroup();
    for (const QString& key : settings.allKeys()) {
        const qsizetype slash = key.indexOf(u'/');
        if (slash < 0 || settings.value(key).typeId() != QMetaType::QStringList) {
            continue;
        }
        const QString text = TextAsWritten(settings, key.left(slash), key.mid(slash + 1));
        if (!text.isNull()) {
            settings.setValue(key, text);
        }
    }
    settings.beginGroup(section);
}

bool Flush(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

namespace {

// Stored as a 32-bit number: anything else reads as missing.
std::optional<int> StoredInt(const QString& root, const QString& section, const QString& entry) {
    Store store(root, section);
    const QVariant value = store.settings.value(entry);
    bool isNumber = false;
    const qlonglong number = value.isValid() ? value.toLongLong(&isNumber) : 0;
    if (!isNumber || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

std::optional<QString> StoredText(const QString& root, const QString& section,
                                  const QString& entry) {
    Store store(root, section);
    const QVariant value = store.settings.value(entry);
    if (!value.isValid()) {
        return std::nullopt;
    }
    if (value.typeId() == QMetaType::QStringList) {
        const QString text = TextAsWritten(store.settings, section, entry);
        return text.isNull() ? value.toStringList().join(u',') : text;
    }
    return value.toString();
}

} // namespace

int GetProfileInt(const QString& section, const QString& entry, int defaultValue) {
    return StoredInt(QString::fromUtf8(kSettingsRoot), section, entry).value_or(defaultValue);
}

QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue) {
    return StoredText(QString::fromUtf8(kSettingsRoot), section, entry).value_or(defaultValue);
}

bool HasProfileValue(const QString& section, const QString& entry) {
    return ProfileStore().Has(section.toStdString(), entry.toStdString());
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    return ProfileStore().WriteSection(section.toStdString(), {{entry.toStdString(), value}});
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    return ProfileStore().WriteSection(section.toStdString(),
                                       {{entry.toStdString(), value.toStdString()}});
}

std::optional<std::int32_t> ProfileStore::ReadInt(const std::string& section,
                                                  const std::string& entry) {
    return StoredInt(root, QString::fromStdString(section), QString::fromStdString(entry));
}

std::optional<std::string> ProfileStore::ReadText(const std::string& section,
                                                  const std::string& entry) {
    const std::optional<QString> text =
        StoredText(root, QString::fromStdString(section), QString::fromStdString(entry));
    return text ? std::optional<std::string>(text->toStdString()) : std::nullopt;
}

ProfileStore::ProfileStore(QString root) : root(std::move(root)) {}

bool ProfileStore::Has(const std::string& section, const std::string& entry) {
    Store store(root, QString::fromStdString(section));
    return store.settings.contains(QString::fromStdString(entry));
}

bool ProfileStore::WriteSection(const std::string& section,
                                const std::vector<std::pair<std::string, Value>>& entries) {
    Store store(root, QString::fromStdString(section));
    KeepListsAsWritten(store.settings);
    for (const auto& [entry, value] : entries) {
        const QString key = QString::fromStdString(entry);
        if (const auto* number = std::get_if<std::int32_t>(&value)) {
            store.settings.setValue(key, *number);
        } else {
            store.settings.setValue(key, QString::fromStdString(std::get<std::string>(value)));
        }
    }
    return Flush(store.settings);
}

} // namespace qtui
