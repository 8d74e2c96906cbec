#include "Profile.h"

#include <QCoreApplication>
#include <QSettings>

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
    return value.isValid() ? value.toString() : defaultValue;
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    Store store(section);
    store.settings.setValue(entry, value);
    return Flush(store.settings);
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    Store store(section);
    store.settings.setValue(entry, value);
    return Flush(store.settings);
}
