#include "FieldControls.h"

#include "ControlIds.h"

#include <algorithm>

namespace {

using Field = MainWindowView::Field;

constexpr FieldControlId kFieldControls[] = {
    {Field::InputPath, MainWindowId::kInputPath},
    {Field::OutputFolder, MainWindowId::kOutputFolder},
    {Field::FileNamePrefix, MainWindowId::kFileNamePrefix},
    {Field::MinTrackLength, MainWindowId::kMinTrackLength},
    {Field::SilenceLength, MainWindowId::kSilenceLength},
    {Field::AppendSilence, MainWindowId::kAppendSilence},
    {Field::ThresholdLabel, MainWindowId::kThresholdLabel},
    {Field::MaximumLabel, MainWindowId::kMaximumLabel},
    {Field::TrimSilence, MainWindowId::kTrimSilence},
    {Field::AverageMethod, MainWindowId::kAverageMethod},
    {Field::MaximumMethod, MainWindowId::kMaximumMethod},
    {Field::FirstNumber, MainWindowId::kFirstNumber},
    {Field::Artist, MainWindowId::kArtist},
    {Field::Album, MainWindowId::kAlbum},
    {Field::Date, MainWindowId::kDate},
    {Field::Genre, MainWindowId::kGenre},
    {Field::Comment, MainWindowId::kComment},
    {Field::WriteCueSheet, MainWindowId::kWriteCueSheet},
    {Field::SuggestionLine, MainWindowId::kSuggestionLine},
};

constexpr FieldControlId kFieldArrows[] = {
    {Field::MinTrackLength, MainWindowId::kMinTrackLengthArrows},
    {Field::SilenceLength, MainWindowId::kSilenceLengthArrows},
    {Field::AppendSilence, MainWindowId::kAppendSilenceArrows},
};

std::optional<int> IdIn(std::span<const FieldControlId> table, Field field) {
    const auto found =
        std::find_if(table.begin(), table.end(),
                     [field](const FieldControlId& entry) { return entry.field == field; });
    return found == table.end() ? std::nullopt : std::optional<int>(found->id);
}

} // namespace

std::span<const FieldControlId> FieldControls() {
    return kFieldControls;
}

int ControlIdOf(Field field) {
    // Every field has its control.
    return *IdIn(kFieldControls, field);
}

std::optional<int> ArrowsIdOf(Field field) {
    return IdIn(kFieldArrows, field);
}

std::optional<Field> FieldOfControl(int id) {
    const auto found = std::find_if(std::begin(kFieldControls), std::end(kFieldControls),
                                    [id](const FieldControlId& entry) { return entry.id == id; });
    return found == std::end(kFieldControls) ? std::nullopt : std::optional<Field>(found->field);
}
