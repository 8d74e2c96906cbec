// The per-user settings store as the desktop front ends see it: sections of
// named values, each a 32-bit number or a text. The Qt program keeps it in a
// settings file; a Windows program can keep it in the registry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// The per-user root every desktop program keeps its settings under, beside the
// program's name.
inline constexpr const char* kSettingsRoot = "Ferndusk Software";

class SettingsStore {
public:
    using Value = std::variant<std::int32_t, std::string>;

    virtual ~SettingsStore() = default;

    // No value when the entry is missing or is not of the kind asked for.
    virtual std::optional<std::int32_t> ReadInt(const std::string& section,
                                                const std::string& entry) = 0;
    // A number stored as such reads as its decimal text.
    virtual std::optional<std::string> ReadText(const std::string& section,
                                                const std::string& entry) = 0;
    // True when the store holds the entry, whatever its kind.
    virtual bool Has(const std::string& section, const std::string& entry) = 0;
    // Writes the entries, in this order, in one go; false when the store could
    // not be written.
    virtual bool WriteSection(const std::string& section,
                              const std::vector<std::pair<std::string, Value>>& entries) = 0;
};
