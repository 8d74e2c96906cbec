#include "Profile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <limits>

namespace {

QString& RootName() {
    static QString root = QStringLiteral("Ferndusk Software");
    return root;
}

// One store object per call: QSettings is cheap to open and this keeps every
// write visible to the next read without shared state.
class Store {
public:
    explicit Store(const QString& section)
        : settings(QSettings::NativeFormat, QSettings::UserScope, RootName(),
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
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inSection = line == u'[' + section + u']';
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 && line.left(equals).trimmed() == entry)
            return line.mid(equals + 1).trimmed();
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
        if (slash < 0 || settings.value(key).typeId() != QMetaType::QStringList)
            continue;
        const QString text = TextAsWritten(settings, key.left(slash), key.mid(slash + 1));
        if (!text.isNull())
            settings.setValue(key, text);
    }
    settings.beginGroup(section);
}

bool Flush(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

void SetRegistryKey(const QString& rootName) {
    RootName() = rootName;
}

QString RegistryKey() {
    return RootName();
}

int GetProfileInt(const QString& section, const QString& entry, int defaultValue) {
    Store store(section);
    const QVariant value = store.settings.value(entry);
    if (!value.isValid())
        return defaultValue;
    // Stored as a 32-bit number: anything else reads as the default.
    bool isNumber = false;
    const qlonglong number = value.toLongLong(&isNumber);
    if (!isNumber || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return defaultValue;
    return static_cast<int>(number);
}

QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue) {
    Store store(section);
    const QVariant value = store.settings.value(entry);
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() == QMetaType::QStringList) {
        const QString text = TextAsWritten(store.settings, section, entry);
        return text.isNull() ? value.toStringList().join(u',') : text;
    }
    return value.toString();
}

bool HasProfileValue(const QString& section, const QString& entry) {
    Store store(section);
    return store.settings.contains(entry);
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    Store store(section);
    KeepListsAsWritten(store.settings);
    store.settings.setValue(entry, value);
    return Flush(store.settings);
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    Store store(section);
    KeepListsAsWritten(store.settings);
    store.settings.setValue(entry, value);
    return Flush(store.settings);
}
