// The main window (template 102): every control in tab order, positions in
// dialog units. The up-down arrows sit at their edit's right edge whatever
// their own position says.
#include "ControlIds.h"
#include "DialogTemplate.h"

#include <iterator>

namespace {

using namespace MainWindowId;

constexpr unsigned kLabel = StyleGroup; // every static text starts a new group
constexpr unsigned kTextEdit = StyleBorder | StyleTabStop | StyleAutoHScroll;
constexpr unsigned kNumberEdit = StyleBorder | StyleTabStop | StyleNumber;

constexpr DialogControl kMainWindowControls[] = {
    {kNoControlId, ControlKind::Static, "&File to split:", 16, 9, 47, 8, kLabel | StyleAlignRight},
    {kInputPath, ControlKind::Edit, "", 67, 7, 186, 14, kTextEdit},
    {kBrowseInput, ControlKind::PushButton, "...", 258, 7, 15, 14, StyleTabStop},
    {kNoControlId, ControlKind::Static, "&Output directory:", 9, 28, 54, 8,
     kLabel | StyleAlignRight},
    {kOutputFolder, ControlKind::Edit, "", 67, 26, 186, 14, kTextEdit},
    {kBrowseOutput, ControlKind::PushButton, "...", 258, 26, 15, 14, StyleTabStop},
    {kStart, ControlKind::DefPushButton, "&Start", 284, 7, 50, 14, StyleTabStop},
    {kClose, ControlKind::PushButton, "&Close", 284, 26, 50, 14, StyleTabStop},
    {kNoControlId, ControlKind::GroupBox, "Options", 7, 46, 331, 157, StyleNone},
    {kNoControlId, ControlKind::Static, "Silence &threshold:", 17, 62, 57, 12, kLabel},
    // The trackbar leaves room on its right for Suggest, under Start and Close.
    {kThreshold, ControlKind::Trackbar, "", 79, 57, 200, 16, StyleTicksBelow | StyleTabStop},
    {kSuggestThreshold, ControlKind::PushButton, "S&uggest", 284, 58, 50, 14, StyleTabStop},
    {kThresholdLabel, ControlKind::Static, "0.00 %", 33, 76, 41, 8, kLabel},
    {kNoControlId, ControlKind::Static, "0 %", 84, 75, 12, 8, kLabel},
    {kMaximumLabel, ControlKind::Static, "10 %", 264, 75, 16, 8, kLabel},
    // What the last Suggest set, across the box: the method's sentence is long.
    {kSuggestionLine, ControlKind::Static, "", 17, 86, 317, 8, kLabel | StyleNoPrefix},
    {kNoControlId, ControlKind::Static, "Silence must be at &least", 17, 99, 76, 8, kLabel},
    {kSilenceLength, ControlKind::Edit, "", 97, 98, 36, 14, kNumberEdit},
    {kSilenceLengthArrows, ControlKind::UpDown, "", 263, 97, 11, 14, StyleNone},
    {kNoControlId, ControlKind::Static, "milliseconds long for a split to occur", 136, 99, 112, 8,
     kLabel},
    {kAverageMethod, ControlKind::RadioButton,
     "&Determine silence using the average noise during above time span (good for clicks and "
     "pops)",
     17, 116, 308, 10, StyleGroup | StyleTabStop},
    {kMaximumMethod, ControlKind::RadioButton,
     "D&etermine silence using the maximum noise during above time span (better for clean "
     "recordings)",
     17, 128, 315, 10, StyleTabStop},
    {kNoControlId, ControlKind::Static, "&Minimum track length:", 17, 146, 70, 8, kLabel},
    {kMinTrackLength, ControlKind::Edit, "", 90, 145, 33, 14, kNumberEdit},
    {kMinTrackLengthArrows, ControlKind::UpDown, "", 156, 145, 11, 14, StyleNone},
    {kNoControlId, ControlKind::Static, "seconds", 126, 146, 28, 8, kLabel},
    {kNoControlId, ControlKind::Static, "&Begin segment filenames with:", 176, 146, 96, 8, kLabel},
    {kFileNamePrefix, ControlKind::Edit, "", 274, 144, 46, 14, kTextEdit},
    {kNoControlId, ControlKind::Static, "&Append", 17, 169, 26, 8, kLabel},
    {kAppendSilence, ControlKind::Edit, "", 47, 167, 36, 14, kNumberEdit},
    {kAppendSilenceArrows, ControlKind::UpDown, "", 261, 170, 11, 14, StyleNone},
    {kNoControlId, ControlKind::Static,
     "milliseconds of silence to the end of each track (except last one)", 86, 169, 202, 8, kLabel},
    {kTrimSilence, ControlKind::CheckBox,
     "T&rim silence from beginning and end of WAV file when producing segments", 17, 185, 251, 10,
     StyleTabStop},
    // The names and tags of the files, in three columns of two rows, and the cue sheet.
    {kNoControlId, ControlKind::GroupBox, "Track numbers and tags", 7, 206, 331, 60, StyleNone},
    {kNoControlId, ControlKind::Static, "Start numbering at:", 13, 221, 70, 8,
     kLabel | StyleAlignRight},
    {kFirstNumber, ControlKind::Edit, "", 86, 219, 36, 14, kNumberEdit},
    {kNoControlId, ControlKind::Static, "Date:", 13, 237, 70, 8, kLabel | StyleAlignRight},
    {kDate, ControlKind::Edit, "", 86, 235, 36, 14, kTextEdit},
    {kNoControlId, ControlKind::Static, "Art&ist:", 126, 221, 30, 8, kLabel | StyleAlignRight},
    {kArtist, ControlKind::Edit, "", 159, 219, 70, 14, kTextEdit},
    {kNoControlId, ControlKind::Static, "&Genre:", 126, 237, 30, 8, kLabel | StyleAlignRight},
    {kGenre, ControlKind::Edit, "", 159, 235, 70, 14, kTextEdit},
    {kNoControlId, ControlKind::Static, "Album:", 233, 221, 36, 8, kLabel | StyleAlignRight},
    {kAlbum, ControlKind::Edit, "", 272, 219, 60, 14, kTextEdit},
    {kNoControlId, ControlKind::Static, "Comme&nt:", 233, 237, 36, 8, kLabel | StyleAlignRight},
    {kComment, ControlKind::Edit, "", 272, 235, 60, 14, kTextEdit},
    {kWriteCueSheet, ControlKind::CheckBox, "&Write a cue sheet beside the tracks", 13, 253, 200,
     10, StyleTabStop},
};

} // namespace

const DialogTemplate kMainWindowTemplate = {
    "Quernfold", 345, 273, kMainWindowControls, std::size(kMainWindowControls),
};
