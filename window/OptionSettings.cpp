#include "OptionSettings.h"

#include "OptionRules.h"

#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

const OptionSetting kOptionSettings[] = {
    {"TrimSilence", &SplitOptions::trimSilence},
    {"UseAverageMethod", &SplitOptions::useAverageMethod},
    {"AppendSilence", &SplitOptions::appendSilenceMs},
    {"MinTrackLength", &SplitOptions::minTrackLengthSec},
    {"SilenceLength", &SplitOptions::silenceLengthMs},
    {"BeginWith", &SplitOptions::fileNamePrefix},
    {"Threshold", &SplitOptions::thresholdText},
};

} // namespace

std::span<const OptionSetting> OptionSettings() {
    return kOptionSettings;
}

void ReadStoredOptions(SettingsStore& store, SplitOptions& options) {
    const SplitOptions defaults;
    for (const OptionSetting& setting : kOptionSettings) {
        std::visit(
            [&](auto member) {
                using Held = std::remove_cvref_t<decltype(options.*member)>;
                if constexpr (std::is_same_v<Held, std::string>) {
                    options.*member =
                        store.ReadText(kOptionsSection, setting.entry).value_or(defaults.*member);
                } else {
                    const auto stored = store.ReadInt(kOptionsSection, setting.entry);
                    options.*member = stored ? static_cast<Held>(*stored) : defaults.*member;
                }
            },
            setting.option);
    }
}

void LoadOptionSettings(SettingsStore& store, SplitOptions& options) {
    ReadStoredOptions(store, options);
    const SplitOptions defaults;
    const auto keepInRange = [&defaults](std::uint32_t SplitOptions::*member,
                                         const NumberRule& rule, SplitOptions& shown) {
        if (shown.*member < rule.minimum || shown.*member > rule.maximum) {
            shown.*member = defaults.*member;
        }
    };
    keepInRange(&SplitOptions::appendSilenceMs, kAppendSilenceMsRule, options);
    keepInRange(&SplitOptions::minTrackLengthSec, kMinTrackLengthSecRule, options);
    keepInRange(&SplitOptions::silenceLengthMs, kSilenceLengthMsRule, options);
    if (TextLengthProblem(options.fileNamePrefix, kMaxPrefixCharacters) ||
        PrefixProblem(options.fileNamePrefix)) {
        options.fileNamePrefix = defaults.fileNamePrefix;
    }
}

bool SaveOptionSettings(SettingsStore& store, const SplitOptions& options,
                        const SplitOptions& loaded) {
    std::vector<std::pair<std::string, SettingsStore::Value>> changed;
    for (const OptionSetting& setting : kOptionSettings) {
        std::visit(
            [&](auto member) {
                if (options.*member == loaded.*member &&
                    store.Has(kOptionsSection, setting.entry)) {
                    return;
                }
                using Held = std::remove_cvref_t<decltype(options.*member)>;
                if constexpr (std::is_same_v<Held, std::string>) {
                    changed.emplace_back(setting.entry, options.*member);
                } else {
                    changed.emplace_back(setting.entry, static_cast<std::int32_t>(options.*member));
                }
            },
            setting.option);
    }
    return changed.empty() || store.WriteSection(kOptionsSection, changed);
}
