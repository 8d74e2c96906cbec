// The application's settings store: per-user, under a root name (the company)
// and the application's name, in sections of named values. A value that is
// missing, or not of the kind asked for, reads as the given default.
#pragma once

#include "SettingsStore.h"

#include <QString>

namespace qtui {

int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue = QString());
// True when the store holds the value, whatever its kind.
bool HasProfileValue(const QString& section, const QString& entry);
// True when the value was written.
bool WriteProfileInt(const QString& section, const QString& entry, int value);
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);

// The store under a root name, as the windows use it; the functions above are
// the store under the program's own root.
class ProfileStore : public SettingsStore {
public:
    explicit ProfileStore(QString root = QString::fromUtf8(kSettingsRoot));

    std::optional<std::int32_t> ReadInt(const std::string& section,
                                        const std::string& entry) override;
    std::optional<std::string> ReadText(const std::string& section,
                                        const std::string& entry) override;
    bool Has(const std::string& section, const std::string& entry) override;
    // One settings file rewrite for the whole section.
    bool WriteSection(const std::string& section,
                      const std::vector<std::pair<std::string, Value>>& entries) override;

private:
    QString root;
};

} // namespace qtui
