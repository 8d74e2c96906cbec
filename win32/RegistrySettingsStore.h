// The settings store in the per-user registry:
// HKEY_CURRENT_USER\Software\<root>\<program>\<section>, one named value per
// setting, numbers as REG_DWORD and texts as REG_SZ.
#pragma once

#include "SettingsStore.h"

#include <string>

namespace winui {

class RegistrySettingsStore : public SettingsStore {
public:
    // `program` is the executable's file name without its extension, so a copy
    // under another name keeps settings of its own.
    RegistrySettingsStore(const std::string& root, const std::string& program);

    std::optional<std::int32_t> ReadInt(const std::string& section,
                                        const std::string& entry) override;
    std::optional<std::string> ReadText(const std::string& section,
                                        const std::string& entry) override;
    bool Has(const std::string& section, const std::string& entry) override;
    bool WriteSection(const std::string& section,
                      const std::vector<std::pair<std::string, Value>>& entries) override;

    // The key under HKEY_CURRENT_USER that holds a section.
    std::wstring SectionKey(const std::string& section) const;

private:
    std::wstring programKey;
};

// The running executable's file name without its extension.
std::string ProgramNameFromExecutable();

} // namespace winui
