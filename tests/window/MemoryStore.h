// A settings store in memory for the window layer's tests: every value by
// "Section/Entry", and the entries of each section write in order.
#pragma once

#include "SettingsStore.h"

#include <map>
#include <string>
#include <vector>

class MemoryStore : public SettingsStore {
public:
    std::map<std::string, Value> values;          // "Section/Entry"
    std::vector<std::vector<std::string>> writes; // the entries of each WriteSection

    std::optional<std::int32_t> ReadInt(const std::string& section,
                                        const std::string& entry) override {
        const auto found = values.find(section + "/" + entry);
        if (found == values.end() || !std::holds_alternative<std::int32_t>(found->second)) {
            return std::nullopt;
        }
        return std::get<std::int32_t>(found->second);
    }
    std::optional<std::string> ReadText(const std::string& section,
                                        const std::string& entry) override {
        const auto found = values.find(section + "/" + entry);
        if (found == values.end()) {
            return std::nullopt;
        }
        if (const auto* number = std::get_if<std::int32_t>(&found->second)) {
            return std::to_string(*number);
        }
        return std::get<std::string>(found->second);
    }
    bool Has(const std::string& section, const std::string& entry) override {
        return values.count(section + "/" + entry) != 0;
    }
    bool WriteSection(const std::string& section,
                      const std::vector<std::pair<std::string, Value>>& entries) override {
        writes.emplace_back();
        for (const auto& [entry, value] : entries) {
            values[section + "/" + entry] = value;
            writes.back().push_back(entry);
        }
        return true;
    }
};
