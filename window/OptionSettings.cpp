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
    {"FirstNumber", &TrackNaming::firstNumber},
    {"Artist", &TrackNaming::artist},
    {"Album", &TrackNaming::album},
    {"Date", &TrackNaming::date},
    {"Genre", &TrackNaming::genre},
    {"Comment", &TrackNaming::comment},
    {"WriteCueSheet", &SplitOptions::writeCueSheet},
};

// The value a setting holds in `options`.
template <class Options, class Held> auto& ValueIn(Options& options, Held SplitOptions::*member) {
    return options.*member;
}
template <class Options, class Held> auto& ValueIn(Options& options, Held TrackNaming::*member) {
    return options.naming.*member;
}

} // namespace

std::span<const OptionSetting> OptionSettings() {
    return kOptionSettings;
}

void ReadStoredOptions(SettingsStore& store, SplitOptions& options) {
    const SplitOptions defaults;
    for (const OptionSetting& setting : kOptionSettings) {
        std::visit(
            [&](auto member) {
                using Held = std::remove_cvref_t<decltype(ValueIn(options, member))>;
                if constexpr (std::is_same_v<Held, std::string>) {
                    ValueIn(options, member) = store.ReadText(kOptionsSection, setting.entry)
                                                   .value_or(ValueIn(defaults, member));
                } else {
                    const auto stored = store.ReadInt(kOptionsSection, setting.entry);
                    ValueIn(options, member) =
                        stored ? static_cast<Held>(*stored) : ValueIn(defaults, member);
                }
            },
            setting.option);
    }
}

void LoadOptionSettings(SettingsStore& store, SplitOptions& options) {
    ReadStoredOptions(store, options);
    const SplitOptions defaults;
    const auto keepInRange = [](std::uint32_t& shown, std::uint32_t byDefault,
                                const NumberRule& rule) {
        if (shown < rule.minimum || shown > rule.maximum) {
            shown = byDefault;
        }
    };
    keepInRange(options.appendSilenceMs, defaults.appendSilenceMs, kAppendSilenceMsRule);
    keepInRange(options.minTrackLengthSec, defaults.minTrackLengthSec, kMinTrackLengthSecRule);
    keepInRange(options.silenceLengthMs, defaults.silenceLengthMs, kSilenceLengthMsRule);
    keepInRange(options.naming.firstNumber, defaults.naming.firstNumber, kFirstNumberRule);
    for (std::string* tag : {&options.naming.artist, &options.naming.album, &options.naming.date,
                             &options.naming.genre, &options.naming.comment}) {
        if (!IsUtf8(*tag)) {
            tag->clear();
        }
    }
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
                if (ValueIn(options, member) == ValueIn(loaded, member) &&
                    store.Has(kOptionsSection, setting.entry)) {
                    return;
                }
                using Held = std::remove_cvref_t<decltype(ValueIn(options, member))>;
                if constexpr (std::is_same_v<Held, std::string>) {
                    changed.emplace_back(setting.entry, ValueIn(options, member));
                } else {
                    changed.emplace_back(setting.entry,
                                         static_cast<std::int32_t>(ValueIn(options, member)));
                }
            },
            setting.option);
    }
    return changed.empty() || store.WriteSection(kOptionsSection, changed);
}
