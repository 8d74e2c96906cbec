// Every text the engine shows the user, in one table. Texts that take values are
// printf formats (fill them with FormatText); the front ends and the tests use
// these names instead of writing the words out again.
#pragma once

#include <cstdarg>
#include <string>

namespace messages {

// Captions and titles.
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kNothingToDoCaption[] = "Nothing to do";
inline constexpr char kReadyCaption[] = "Ready to split WAV file";
inline constexpr char kProgressTitle[] = "Progress";

// Start's refusals before the analysis.
inline constexpr char kInvalidFileName[] = "Invalid file name.";
inline constexpr char kInvalidOutputDirectory[] = "Invalid output directory.";
inline constexpr char kNotLongEnough[] = "WAV file isn't long enough to split.";
inline constexpr char kSilenceTooShortForRate[] =
    "The silence length is too short for the sample rate of this WAV file.  "
    "Choose a longer silence length.";
inline constexpr char kNotEnoughMemory[] = "Not enough memory to split this WAV file.";

// The recording cannot be opened: the first line (%s: the path), then one reason.
inline constexpr char kOpenFailed[] = "Failed to open %s for reading,\n";
inline constexpr char kReasonNotRegularFile[] = "it is a folder or a device, not a file.";
inline constexpr char kReasonNotWave[] = "it is not a WAV file.";
// %s: the encoding's name, such as "A-law" or "24-bit PCM".
inline constexpr char kReasonUnsupportedEncoding[] =
    "its encoding, %s, is not supported.\nWAV files of 8-, 16-, 24- or 32-bit PCM\n"
    "or 32- or 64-bit floating point can be split.";
inline constexpr char kReasonTooManyChannels[] =
    "it has more than two channels.\nOnly mono and stereo files can be split.";
inline constexpr char kReasonDamagedHeader[] = "its header is damaged.";
inline constexpr char kReasonTooLarge[] = "it is larger than the WAV format can describe.";
inline constexpr char kReasonMissing[] = "the file does not exist.";
inline constexpr char kReasonCannotRead[] = "the file cannot be read.";

// The recording opened, but its header and its length disagree; the run goes on
// with the audio the file holds. %s: the path; the header's and the file's byte
// counts; the difference in bytes and as minutes and seconds of audio.
inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kAudioCutShort[] =
    "The header of %s gives %s bytes of audio, but the file holds only %s: %s bytes (%s) "
    "are missing, as when a copy or a recording is cut short.  The audio that is there is "
    "split.";
inline constexpr char kAudioBeyondHeader[] =
    "The header of %s gives %s bytes of audio, but the file holds %s: %s bytes (%s) more, "
    "as when a recording is not finished properly.  All of it is split.";

// Progress texts.
inline constexpr char kAnalyzing[] = "Analyzing WAV file...";
inline constexpr char kCreating[] = "Creating WAV files...";
// %d:%02d: minutes and seconds remaining.
inline constexpr char kCreatingWithEstimate[] =
    "Creating WAV files...  Estimated time remaining: %d:%02d";
inline constexpr char kFindingSilenceLevel[] = "Finding the silence level...";

// The analysis report: the summary (segment count; longest, shortest and average
// length as minutes and seconds), the trim lines when anything is trimmed, and
// the question.
inline constexpr char kReportSummary[] = "Results of analysis:\n\n"
                                         "   Number of segments to be created: %5d\n"
                                         "   Maximum segment length:\t%2d:%02d\n"
                                         "   Minimum segment length:\t%2d:%02d\n"
                                         "   Average segment length:\t%2d:%02d\n";
inline constexpr char kReportTrim[] = "   Trim %d ms from beginning\n   Trim %d ms from end\n\n";
inline constexpr char kReportQuestion[] = "Proceed to create WAV file segments?";
inline constexpr char kNoSplitPoints[] =
    "No split points could be found.  Try adjusting the program options.";

// The writing stops (%s: the full file name).
inline constexpr char kOutputIsInput[] =
    "File error.  %s is the WAV file being split and cannot be overwritten.  Choose another "
    "output directory or file name prefix.";
inline constexpr char kCannotOpenForWriting[] =
    "File error.  %s could not be opened for writing.  WAV file creation halted.";
inline constexpr char kCannotWrite[] =
    "File error.  %s could not be written.  WAV file creation halted.";
inline constexpr char kCannotRead[] =
    "File error.  %s could not be read.  WAV file creation halted.";
// %s: the full file name the finished file was to take.
inline constexpr char kCannotRename[] =
    "File error.  The written file could not be renamed to %s, and was removed.  WAV file "
    "creation halted.";
// %s: the recording.
inline constexpr char kRecordingChanged[] =
    "File error.  %s changed while it was being split.  The files written before the change "
    "are complete.  WAV file creation halted.";
// A cancel while a file of the same name existed: the old file stays (%s: its full name).
inline constexpr char kCancelledCaption[] = "Cancelled";
inline constexpr char kCancelledNotWritten[] =
    "%s was not written: a file of that name exists and was kept as it was.";

// Tracks by count (%u: tracks asked for, pauses found, tracks planned).
inline constexpr char kTracksCaption[] = "Tracks";
inline constexpr char kFewerPausesThanTracks[] =
    "The recording has no %u tracks: only %u pauses separate it, so %u tracks are planned.";

// Cuts edited in the review, refused with the reason (%u: the minimum in seconds).
inline constexpr char kTrackBelowMinimum[] =
    "A track would be shorter than the minimum track length of %u s.";
inline constexpr char kCutInTrimmedPart[] =
    "A cut cannot lie in the silence trimmed at the start or the end of the recording.";
inline constexpr char kCutPassesNeighbour[] =
    "A cut cannot move past the next cut.  Delete that cut instead.";
inline constexpr char kNoCutSelected[] = "Select a cut first.";
// The review window's states and notices.
inline constexpr char kReviewAnalysing[] = "analysing...";
inline constexpr char kReviewMeasuring[] = "measuring the levels...";
inline constexpr char kReadAgainFailed[] = "The WAV file could not be read again.";
inline constexpr char kLevelsUnavailable[] =
    "The waveform cannot be shown: the levels of this recording could not be measured.  The "
    "plan can still be changed and written.";
inline constexpr char kReplacesExistingFile[] = "replaces the file already in the output folder";
inline constexpr char kLevelsNotMeasured[] =
    "The levels of the recording are still being measured.  Try again in a moment.";
// Below the report when the plan writes over files that exist (%u: how many).
inline constexpr char kOneFileReplaced[] = "1 existing file in the output folder will be replaced.";
inline constexpr char kFilesReplaced[] = "%u existing files in the output folder will be replaced.";

// Names and titles of the tracks, refused before any file is opened.
// %u: titles given, tracks found.
inline constexpr char kTitleCountMismatch[] =
    "%u titles were given, but the recording splits into %u tracks.  Give one title per "
    "track; no file was written.";
// %u: the track number; %s: the name.
inline constexpr char kTrackNameEmpty[] = "Track %u would get an empty file name.";
inline constexpr char kTrackNameTooLong[] = "The file name of track %u is too long: %s";
// %s: the two names.
inline constexpr char kTrackNamesClash[] =
    "Two tracks would get the same file name: %s and %s.  Give them different titles or "
    "another name pattern.";
// %u: the first track whose start does not fit.
inline constexpr char kCutsDoNotFit[] =
    "The track starts given do not fit the recording: track %u starts before the track "
    "before it ends, or at or after the end of the recording.";
// %s: the pattern.
inline constexpr char kBadNamePattern[] =
    "The name pattern %s is not valid: use {n}, {nn}, {title}, {artist} and {album} with "
    "other UTF-8 text.";

// The output folder was tried before the analysis and no file could be created
// there: the writing failure's text for the folder (or, when the name was what the
// file system refused, the first file), and on a new line the system's reason.
inline constexpr char kNameRefusedByFileSystem[] =
    "The output folder's file system does not accept the file name prefix (%s).";

// Threshold suggestions (%s: a threshold text such as "0.20 %").
inline constexpr char kAdviceMaximum[] =
    "The maximum method would work on this recording, with a threshold of %s.";
inline constexpr char kAdviceAverageForClicks[] =
    "Clicks make the maximum method unreliable on this recording; the average method would "
    "work, with a threshold of %s.";
inline constexpr char kAdviceAverage[] =
    "The average method would work on this recording, with a threshold of %s.";
// A suggestion for the other method than the one chosen (%s: the threshold
// text, the method's name, the reason).
inline constexpr char kSuggestedWithMethod[] = "Suggested: %s with the %s method (%s)";
// What a successful suggestion set, shown beside the threshold (%s: its text);
// kSuggestedWithMethod when it also changed the method.
inline constexpr char kSuggestedThreshold[] = "Suggested: %s";
inline constexpr char kReasonClicks[] = "clicks make the maximum method unreliable";
inline constexpr char kReasonNoSilence[] = "the %s method finds no usable silence";
// %d: the seconds and the silence lengths a suggestion needs at least.
inline constexpr char kSuggestionTooShort[] =
    "The WAV file is too short to judge its silence level: a suggestion needs at least %d "
    "seconds and %d silence lengths.";
inline constexpr char kSuggestionNoSound[] =
    "The WAV file is silent throughout: there is no sound to tell its silence from.";
inline constexpr char kSuggestionNoSilence[] =
    "No usable silence: no part of the WAV file is clearly quieter than the rest, so no "
    "threshold can tell its pauses from its sound.";
inline constexpr char kSuggestionNoMemory[] =
    "Not enough memory to judge the silence level of this WAV file.";

// A label file or cue sheet written beside the tracks (%s: what it is, such as
// "cue sheet", and its full name; the last also what it is again and why).
inline constexpr char kSideFileIsRecording[] =
    "The %s %s is the WAV file being split and cannot be overwritten.";
inline constexpr char kSideFileIsTrack[] =
    "The %s %s is the name of one of the WAV files to be written.";
inline constexpr char kSideFileNotReplaced[] =
    "The %s %s exists and is not a %s (%s), so it is not replaced.";
inline constexpr char kSideFileNotWritten[] = "The %s %s could not be written.";

// Option checks (%u: the limits).
inline constexpr char kNotAWholeNumber[] =
    "Please enter an unsigned whole number between %u and %u.";
inline constexpr char kNumberOutOfRange[] = "Please enter a number between %u and %u.";
inline constexpr char kTextTooLong[] = "Please enter no more than %u characters.";
inline constexpr char kPrefixNotUtf8[] = "The file name prefix is not valid UTF-8 text.";
inline constexpr char kPrefixLeavesFolder[] =
    "The file name prefix cannot contain / or \\: the files must stay in the output folder.";
inline constexpr char kPrefixControlCharacter[] =
    "The file name prefix cannot contain control characters such as tabs or line breaks.";
inline constexpr char kPrefixTooManyCharacters[] =
    "The file name prefix can have at most %u characters.";
inline constexpr char kPrefixWindowsCharacter[] =
    "The file name prefix cannot contain any of : * ? \" < > |: Windows does not allow them "
    "in file names.";
inline constexpr char kPrefixWindowsDevice[] =
    "The file name prefix cannot be CON, PRN, AUX, NUL, COM or LPT, alone or with a number or "
    "an extension: Windows keeps these names for devices.";
inline constexpr char kPrefixTooManyBytes[] =
    "The file name prefix is too long for a file name: it can take at most %u bytes of UTF-8.";

} // namespace messages

// printf into a string of any length; an empty string when the format fails.
std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatTextV(const char* format, va_list args);
