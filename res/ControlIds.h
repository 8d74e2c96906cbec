// The control ids of the dialog templates, named once: the templates, the
// windows built from them and the tests all use these names.
#pragma once

// The main window (template 102).
namespace MainWindowId {
inline constexpr int kStart = 1; // the default button, as the dialog manager's OK
inline constexpr int kClose = 2; // as the dialog manager's Cancel
inline constexpr int kInputPath = 1000;
inline constexpr int kBrowseInput = 1001;
inline constexpr int kOutputFolder = 1002;
inline constexpr int kBrowseOutput = 1003;
inline constexpr int kThreshold = 1005;
inline constexpr int kThresholdLabel = 1006;
inline constexpr int kMinTrackLength = 1008;
inline constexpr int kAppendSilence = 1010;
inline constexpr int kSilenceLength = 1012;
inline constexpr int kSilenceLengthArrows = 1015;
inline constexpr int kMinTrackLengthArrows = 1016;
inline constexpr int kAppendSilenceArrows = 1017;
inline constexpr int kTrimSilence = 1018;
inline constexpr int kFileNamePrefix = 1019;
inline constexpr int kMaximumLabel = 1020;
inline constexpr int kAverageMethod = 1021;
inline constexpr int kMaximumMethod = 1022;
inline constexpr int kSuggestThreshold = 1023;
inline constexpr int kFirstNumber = 1024;
inline constexpr int kArtist = 1025;
inline constexpr int kAlbum = 1026;
inline constexpr int kDate = 1027;
inline constexpr int kGenre = 1028;
inline constexpr int kComment = 1029;
inline constexpr int kSuggestionLine = 1030;
inline constexpr int kWriteCueSheet = 1031;
} // namespace MainWindowId

// The About box (template 100).
namespace AboutBoxId {
inline constexpr int kOk = 1;
} // namespace AboutBoxId
