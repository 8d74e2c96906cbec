#include "SplitJob.h"

#include "CueSheet.h"
#include "CutList.h"
#include "FileSystem.h"
#include "GivenCuts.h"
#include "LabelFile.h"
#include "LevelTable.h"
#include "Messages.h"
#include "OpenFailureMessage.h"
#include "OutputFiles.h"
#include "SegmentWriter.h"
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"
#include "TracksByCount.h"
#include "WaveMetadata.h"
#include "WaveStream.h"

#include <atomic>
#include <climits>
#include <memory>
#include <new>
#include <optional>

namespace {

void ShowError(SplitHost& host, const std::string& text) {
    host.ShowMessage(text, messages::kErrorCaption, MessageKind::Error);
}

// The first output file that is the input itself (the same file, or a name the
// output folder's file system takes for the recording's), as its full name, or
// an empty text when there is none.
std::string OutputThatIsInput(const RecordingWatch& recording, const OutputFolder& outputFolder,
                              const std::string& folder, const SplitOptions& options,
                              std::uint32_t segmentCount) {
    for (std::uint32_t number = 1; number <= segmentCount; ++number) {
        if (recording.IsRecording(
                outputFolder,
                TrackFileName(options.fileNamePrefix, options.naming, number, segmentCount))) {
            return SegmentFileName(folder, options, number, segmentCount);
        }
    }
    return std::string();
}

} // namespace

bool OpenRecordingOrExplain(WaveStream& reader, const std::string& inputPath, SplitHost& host) {
    if (reader.OpenForRead(inputPath.c_str()) == WAVE_OK) {
        if (reader.SizeDisagrees()) {
            host.ShowNotice(DataSizeNotice(inputPath, reader));
        }
        return true;
    }
    ShowError(host, inputPath.empty() ? std::string(messages::kInvalidFileName)
                                      : OpenFailureMessage(inputPath, reader));
    return false;
}

std::uint64_t AnalysisWindowOrExplain(const WaveStream& reader, std::uint32_t silenceLengthMs,
                                      SplitHost& host) {
    const std::uint64_t window = FramesForMilliseconds(reader.SampleRate(), silenceLengthMs);
    if (window == 0) {
        // Below 1000 frames per second a short silence length spans no whole frame.
        ShowError(host, messages::kSilenceTooShortForRate);
    }
    return window;
}

namespace {

// One window of frames and one of packed bytes, shared by the analysis and the
// writer.
struct WindowBuffers {
    std::unique_ptr<FrameSlot[]> frameBuffer;
    std::unique_ptr<std::uint8_t[]> scratchBuffer;
    std::span<FrameSlot> frames;
    std::span<std::uint8_t> scratch;
};

// The buffers for `window` frames; false, after showing why, when they cannot be
// had. The window is no longer than the recording, which fits 32 bits.
bool AllocateWindowBuffers(std::uint64_t window, std::uint16_t blockAlign, SplitHost& host,
                           WindowBuffers& buffers) {
    const std::size_t scratchBytes = static_cast<std::size_t>(window) * blockAlign;
    if (window <= INT32_MAX) {
        buffers.frameBuffer.reset(new (std::nothrow) FrameSlot[window]());
        buffers.scratchBuffer.reset(new (std::nothrow) std::uint8_t[scratchBytes]);
    }
    if (!buffers.frameBuffer || !buffers.scratchBuffer) {
        ShowError(host, messages::kNotEnoughMemory);
        return false;
    }
    buffers.frames =
        std::span<FrameSlot>(buffers.frameBuffer.get(), static_cast<std::size_t>(window));
    buffers.scratch = std::span<std::uint8_t>(buffers.scratchBuffer.get(), scratchBytes);
    return true;
}

// Whether the recording holds a whole window and the minimum track; shows why not.
bool LongEnoughOrExplain(const WaveStream& reader, std::uint64_t window,
                         std::uint32_t minTrackLengthSec, SplitHost& host) {
    const std::uint64_t minTrack =
        static_cast<std::uint64_t>(reader.SampleRate()) * minTrackLengthSec;
    if (reader.FrameCount() < window || reader.FrameCount() < minTrack) {
        ShowError(host, messages::kNotLongEnough);
        return false;
    }
    return true;
}

// Shows the progress display and runs the analysis under it; false when the
// user cancelled. The display stays for the writer, hidden.
bool AnalyzeUnderProgress(const SplitOptions& options, WaveStream& reader,
                          ProgressDisplay& progress, std::span<FrameSlot> frames, SplitPlan& plan) {
    progress.BeginModal(messages::kProgressTitle, false);
    progress.SetRange(0, reader.FrameCount(), 1);
    progress.SetStatus(messages::kAnalyzing);
    if (SplitAnalyzer::Analyze(options, reader, progress, frames, plan) ==
        SplitAnalyzer::Result::Cancelled) {
        return false;
    }
    // The lead-in and tail scans do not stop for a cancel, but one that came
    // during them still means no report and nothing written.
    if (progress.IsCancelled()) {
        return false;
    }
    progress.Hide();
    return true;
}

// The plan of the cuts the user gave, under the progress display as the analysis
// leaves it; false, after showing why, when they do not fit the recording.
bool PlanGivenCutsOrExplain(const SplitOptions& options, const WaveStream& reader,
                            ProgressDisplay& progress, SplitHost& host, SplitPlan& plan) {
    progress.BeginModal(messages::kProgressTitle, false);
    progress.SetRange(0, reader.FrameCount(), 1);
    progress.Hide();
    const std::optional<std::string> problem =
        PlanFromGivenCuts(options.givenCuts, reader.FrameCount(), reader.SampleRate(),
                          SilenceSampleFor(reader.SlotBits()), plan);
    if (problem) {
        ShowError(host, *problem);
        return false;
    }
    return true;
}

// The full path of the output folder as messages show it: the working
// directory, which is the output folder by now ("." when the host cannot tell).
std::string OutputFolderForNames(SplitHost& host) {
    std::string folder = host.CurrentDirectory();
    if (folder.empty()) {
        folder.push_back('.');
    }
    return folder;
}

// A run that could never write its files is refused before the analysis, not
// after it: a file named with the prefix is created in the output folder and
// removed again. When only the name fails, the file system refuses the prefix
// and the message says so.
bool OutputFolderWritableOrExplain(const OutputFolder& outputFolder, const std::string& prefix,
                                   SplitHost& host) {
    const WriteProbe probe = outputFolder.ProbeCreation(prefix);
    if (probe.created) {
        return true;
    }
    const std::string folder = OutputFolderForNames(host);
    std::string message;
    if (probe.nameRefused && !prefix.empty() && outputFolder.ProbeCreation("").created) {
        message = FormatText(messages::kCannotOpenForWriting,
                             SegmentFileName(folder, prefix, 1, 1).c_str()) +
                  "\n" + FormatText(messages::kNameRefusedByFileSystem, probe.reason.c_str());
    } else {
        message = FormatText(messages::kCannotOpenForWriting, folder.c_str()) + "\n" + probe.reason;
    }
    ShowError(host, message);
    return false;
}

struct OutputPlace {
    const RecordingWatch& recording;
    const OutputFolder& folder;
    const std::string& folderPath; // for messages
};

// Writing a segment file over the recording would destroy it mid-copy: false,
// after showing which file, when one of the names is the input; so also when the
// names do not suit the tracks.
bool OutputsSpareInputOrExplain(const OutputPlace& place, const SplitOptions& options,
                                std::uint32_t segmentCount, SplitHost& host) {
    // Titles that do not match the tracks, or two tracks of one name, would leave
    // files under the wrong names: refused before anything is written.
    if (const std::optional<std::string> problem =
            TrackNamesProblem(options.fileNamePrefix, options.naming, segmentCount)) {
        ShowError(host, *problem);
        return false;
    }
    const std::string clash =
        OutputThatIsInput(place.recording, place.folder, place.folderPath, options, segmentCount);
    if (clash.empty()) {
        return true;
    }
    ShowError(host, FormatText(messages::kOutputIsInput, clash.c_str()));
    return false;
}

// A plan a review hands back is written only when its cuts lie in order inside
// the kept audio: the first track (1-based) that starts out of place, or 0.
std::uint32_t FirstMisplacedTrack(const SplitPlan& chosen, std::uint32_t frameCount) {
    const std::uint32_t lead = chosen.leadTrimFrame;
    const std::uint32_t tail = chosen.tailEndFrame;
    if (lead >= frameCount || tail > frameCount || (tail != 0 && tail <= lead)) {
        return 1;
    }
    const std::uint32_t keptEnd = tail != 0 ? tail : frameCount;
    std::uint32_t previous = lead;
    for (std::size_t i = 0; i < chosen.splitPoints.size(); ++i) {
        if (chosen.splitPoints[i] <= previous || chosen.splitPoints[i] >= keptEnd) {
            return static_cast<std::uint32_t>(i + 2);
        }
        previous = chosen.splitPoints[i];
    }
    return 0;
}

// Has the host confirm the plan: the report box, or a front end's own review,
// which may hand back another plan together with the options that made it. No
// value when the run goes on with `plan` and `written`; otherwise how it ends.
std::optional<SplitOutcome> ConfirmPlanOrExplain(const std::string& inputFile,
                                                 const OutputPlace& place, WaveStream& reader,
                                                 SplitHost& host, SplitPlan& plan,
                                                 SplitOptions& written) {
    if (!plan.splitPoints.empty()) {
        if (!OutputsSpareInputOrExplain(place, written, plan.segmentCount, host)) {
            return SplitOutcome::Refused;
        }
        host.PlanReady(plan, reader.FrameCount(), reader.SampleRate());
    }
    SplitHost::ChosenPlan chosen;
    const SplitHost::PlanToConfirm proposal{
        written,   plan,   reader.FrameCount(), reader.SampleRate(), reader.SlotBits(),
        inputFile, &reader};
    switch (host.ConfirmPlan(proposal, chosen)) {
    case SplitHost::PlanAnswer::NothingFound:
        return SplitOutcome::NothingFound;
    case SplitHost::PlanAnswer::Declined:
        return SplitOutcome::Declined;
    case SplitHost::PlanAnswer::Proceed:
        break;
    }
    if (chosen.changed) {
        // The user changed the threshold or the method, moved, added or deleted
        // cuts, or typed titles while reviewing.
        if (chosen.plan.splitPoints.empty() || chosen.plan.windowFrames != plan.windowFrames) {
            return SplitOutcome::Declined;
        }
        if (const std::uint32_t track = FirstMisplacedTrack(chosen.plan, reader.FrameCount())) {
            ShowError(host, FormatText(messages::kCutsDoNotFit, track));
            return SplitOutcome::Refused;
        }
        // The statistics are those of the cuts, whatever the host counted.
        const std::int16_t silence = plan.silenceSample;
        PlanFromCutPoints(std::move(chosen.plan.splitPoints), chosen.plan.leadTrimFrame,
                          chosen.plan.tailEndFrame, reader.FrameCount(), plan.windowFrames, silence,
                          plan);
        written.thresholdText = chosen.thresholdText;
        written.useAverageMethod = chosen.useAverageMethod;
        written.naming.titles = std::move(chosen.titles);
        // Another segment count or other titles give other names, so they are checked again.
        if (!OutputsSpareInputOrExplain(place, written, plan.segmentCount, host)) {
            return SplitOutcome::Refused;
        }
    }
    return std::nullopt;
}

// The plan for a known number of tracks, from the levels of the open recording;
// says so when it has fewer pauses. False when the user cancelled.
bool PlanByTrackCount(const SplitOptions& options, WaveStream& reader, ProgressDisplay& progress,
                      SplitHost& host, SplitPlan& plan) {
    const std::uint32_t trackCount = options.trackCount;
    const std::uint64_t window =
        FramesForMilliseconds(reader.SampleRate(), options.silenceLengthMs);
    LevelTable table;
    // A failed read measures no further; the windows measured so far still count.
    const std::atomic<bool> never{false};
    MeasureLevels(reader, static_cast<std::uint32_t>(window), never, table);
    if (progress.IsCancelled()) {
        return false;
    }
    progress.Hide();
    const TracksByCountResult result =
        TracksByCount(table, reader.FrameCount(), trackCount,
                      std::uint64_t{reader.SampleRate()} * options.minTrackLengthSec,
                      options.useAverageMethod, options.trimSilence);
    plan = result.plan;
    if (result.pausesFound + 1 < trackCount) {
        host.ShowMessage(FormatText(messages::kFewerPausesThanTracks, trackCount,
                                    result.pausesFound, result.pausesFound + 1),
                         messages::kTracksCaption, MessageKind::Notice);
    }
    return true;
}

// The cue sheet of the recording with a track at every cut, when asked for:
// its name and text, and the names of the tracks it must never replace.
struct TrackCueSheet {
    std::string name;
    std::string text;
    std::vector<std::string> trackNames;
};

TrackCueSheet CueSheetOfRecording(const SplitOptions& options, const SplitPlan& plan,
                                  const WaveStream& reader, const std::string& inputFile,
                                  const OutputPlace& place) {
    TrackCueSheet sheet;
    for (std::uint32_t number = 1; number <= plan.segmentCount; ++number) {
        sheet.trackNames.push_back(
            TrackFileName(options.fileNamePrefix, options.naming, number, plan.segmentCount));
    }
    sheet.name = TrackFilesCueSheetName(options.fileNamePrefix, options.naming);
    sheet.text =
        FormatCueSheet(plan, reader.FrameCount(), reader.SampleRate(),
                       CueSheetAudioPath(inputFile, place.folderPath + kPathSeparator + sheet.name),
                       options.naming);
    return sheet;
}

// Writes (`write`) or only checks the cue sheet in `folder`, the output folder;
// false, after showing why, when it may not have its name or could not be written.
bool CueSheetOrExplain(OutputFolder& folder, const OutputPlace& place, const TrackCueSheet& sheet,
                       bool write, SplitHost& host) {
    std::string why;
    const LabelFileResult result =
        write ? WriteLabelFile(folder, sheet.name, sheet.text, place.recording, place.folder,
                               sheet.trackNames, IsCueSheetText, why)
              : CheckSideFile(place.folder, sheet.name, place.recording, place.folder,
                              sheet.trackNames, IsCueSheetText, why);
    if (result == LabelFileResult::Written) {
        return true;
    }
    ShowError(host, SideFileFailureText("cue sheet", place.folderPath + kPathSeparator + sheet.name,
                                        result, why));
    return false;
}

SplitOutcome OutcomeOfWriting(SegmentWriter::Result result) {
    switch (result) {
    case SegmentWriter::Result::Completed:
        return SplitOutcome::Written;
    case SegmentWriter::Result::Cancelled:
        return SplitOutcome::Cancelled;
    case SegmentWriter::Result::Failed:
        break;
    }
    return SplitOutcome::WriteFailed;
}

// The plan the run proposes: the given cuts, the cuts for a count of tracks, or
// the analysis's. No value once it is made; otherwise how the run ends.
std::optional<SplitOutcome> ProposePlan(const SplitOptions& options, WaveStream& reader,
                                        ProgressDisplay& progress, SplitHost& host,
                                        WindowBuffers& buffers, SplitPlan& plan) {
    if (!options.givenCuts.starts.empty()) {
        if (!PlanGivenCutsOrExplain(options, reader, progress, host, plan)) {
            return SplitOutcome::Refused;
        }
    } else if (options.trackCount != 0) {
        if (!PlanByTrackCount(options, reader, progress, host, plan)) {
            return SplitOutcome::Cancelled;
        }
    } else if (!AnalyzeUnderProgress(options, reader, progress, buffers.frames, plan)) {
        return SplitOutcome::Cancelled;
    }
    return std::nullopt;
}

} // namespace

SplitOutcome RunSplitJob(const SplitOptions& options, SplitHost& host) {
    // Declared first so it is released last, after everything that reads from it.
    WaveStream reader;
    if (!OpenRecordingOrExplain(reader, options.inputPath, host)) {
        return SplitOutcome::Refused;
    }
    // Taken before the working directory changes, so a relative input path still
    // names the file that was opened.
    const std::string inputFile = AbsolutePath(options.inputPath);
    const RecordingWatch recording(options.inputPath);
    // What the recording says about itself goes into every file; a recording
    // whose metadata cannot be read is split without it.
    WaveMetadata metadata;
    (void)ReadWaveMetadata(options.inputPath.c_str(), reader.AudioBytes(), metadata);

    // Held open from here: every file is created, renamed and removed in this
    // folder, whatever its path comes to name while the user answers.
    OutputFolder outputFolder;
    if (!outputFolder.Open(options.outputFolder) || !host.ChangeDirectory(options.outputFolder)) {
        ShowError(host, messages::kInvalidOutputDirectory);
        return SplitOutcome::Refused;
    }
    if (!OutputFolderWritableOrExplain(outputFolder, options.fileNamePrefix, host)) {
        return SplitOutcome::Refused;
    }
    // What killed runs left here, and no live run holds, goes.
    outputFolder.RemoveLeftovers();
    const std::uint64_t window = AnalysisWindowOrExplain(reader, options.silenceLengthMs, host);
    // Given cuts make the tracks as long as they are: no minimum applies.
    const std::uint32_t minTrackSec =
        options.givenCuts.starts.empty() ? options.minTrackLengthSec : 0;
    if (window == 0 || !LongEnoughOrExplain(reader, window, minTrackSec, host)) {
        return SplitOutcome::Refused;
    }
    WindowBuffers buffers;
    if (!AllocateWindowBuffers(window, reader.BlockAlign(), host, buffers)) {
        return SplitOutcome::Refused;
    }

    // From here the progress display exists; its destruction, on every way out,
    // ends the modal state and enables the main window again.
    std::unique_ptr<ProgressDisplay> progress = host.CreateProgress(messages::kProgressTitle, true);
    if (!progress) {
        return SplitOutcome::Refused;
    }
    SplitPlan plan;
    if (const std::optional<SplitOutcome> end =
            ProposePlan(options, reader, *progress, host, buffers, plan)) {
        return *end;
    }
    const std::string folder = OutputFolderForNames(host);
    const OutputPlace place{recording, outputFolder, folder};
    SplitOptions written = options;
    if (const std::optional<SplitOutcome> end =
            ConfirmPlanOrExplain(inputFile, place, reader, host, plan, written)) {
        return *end;
    }
    // A cue sheet that could not take its name is refused before any track is
    // written; the sheet itself is written only once every track is.
    std::optional<TrackCueSheet> cueSheet;
    if (written.writeCueSheet) {
        cueSheet = CueSheetOfRecording(written, plan, reader, inputFile, place);
        if (!CueSheetOrExplain(outputFolder, place, *cueSheet, false, host)) {
            return SplitOutcome::Refused;
        }
    }
    const SplitOutcome outcome = OutcomeOfWriting(
        SegmentWriter::WriteSegments(reader, plan, buffers.frames, buffers.scratch, written,
                                     outputFolder, folder, recording, *progress, host, metadata));
    if (outcome == SplitOutcome::Written && cueSheet &&
        !CueSheetOrExplain(outputFolder, place, *cueSheet, true, host)) {
        return SplitOutcome::WriteFailed;
    }
    return outcome;
}
