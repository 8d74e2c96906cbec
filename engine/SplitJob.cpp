#include "SplitJob.h"

#include "Messages.h"
#include "OpenFailureMessage.h"
#include "OutputFiles.h"
#include "SegmentWriter.h"
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"
#include "WaveStream.h"

#include <climits>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace {

void ShowError(SplitHost& host, const std::string& text) {
    host.ShowMessage(text, messages::kErrorCaption, MB_ICONERROR);
}

// The first output file that is the input itself (same file, however the path is
// spelled), or an empty text when there is none. Only existing files can be.
std::string OutputThatIsInput(const std::filesystem::path& input, const std::string& folder,
                              const SplitOptions& options, std::uint32_t segmentCount) {
    for (std::uint32_t number = 1; number <= segmentCount; ++number) {
        std::string name = SegmentFileName(folder, options.fileNamePrefix, number, segmentCount);
        if (SameFile(input, name)) {
            return name;
        }
    }
    return std::string();
}

} // namespace

bool OpenRecordingOrExplain(WaveStream& reader, const std::string& inputPath, SplitHost& host) {
    if (reader.OpenForRead(inputPath.c_str()) == WAVE_OK) {
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

SplitOutcome RunSplitJob(const SplitOptions& options, SplitHost& host) {
    // Declared first so it is released last, after everything that reads from it.
    WaveStream reader;
    if (!OpenRecordingOrExplain(reader, options.inputPath, host)) {
        return SplitOutcome::Refused;
    }
    // Taken before the working directory changes, so a relative input path still
    // names the file that was opened.
    std::error_code absoluteError;
    const std::filesystem::path inputFile =
        std::filesystem::absolute(options.inputPath, absoluteError);

    if (!host.ChangeDirectory(options.outputFolder)) {
        ShowError(host, messages::kInvalidOutputDirectory);
        return SplitOutcome::Refused;
    }

    const std::uint32_t frameCount = reader.FrameCount();
    const std::uint32_t sampleRate = reader.SampleRate();
    const std::uint64_t window = AnalysisWindowOrExplain(reader, options.silenceLengthMs, host);
    const std::uint64_t minTrack =
        static_cast<std::uint64_t>(sampleRate) * options.minTrackLengthSec;
    if (window == 0) {
        return SplitOutcome::Refused;
    }
    if (frameCount < window || frameCount < minTrack) {
        ShowError(host, messages::kNotLongEnough);
        return SplitOutcome::Refused;
    }

    // One window of frames and one of packed bytes, shared by the analysis and the
    // writer; the window is no longer than the recording, which fits 32 bits.
    const std::size_t scratchBytes = static_cast<std::size_t>(window) * reader.BlockAlign();
    std::unique_ptr<FrameSlot[]> frameBuffer;
    std::unique_ptr<std::uint8_t[]> scratchBuffer;
    if (window <= INT32_MAX) {
        frameBuffer.reset(new (std::nothrow) FrameSlot[window]());
        scratchBuffer.reset(new (std::nothrow) std::uint8_t[scratchBytes]);
    }
    if (!frameBuffer || !scratchBuffer) {
        ShowError(host, messages::kNotEnoughMemory);
        return SplitOutcome::Refused;
    }
    const std::span<FrameSlot> frames(frameBuffer.get(), static_cast<std::size_t>(window));
    const std::span<std::uint8_t> scratch(scratchBuffer.get(), scratchBytes);

    // From here the progress display exists; its destruction, on every way out,
    // ends the modal state and enables the main window again.
    std::unique_ptr<ProgressDisplay> progress = host.CreateProgress(messages::kProgressTitle, 1);
    if (!progress) {
        return SplitOutcome::Refused;
    }
    progress->BeginModal(messages::kProgressTitle, 0);
    progress->SetRange(0, frameCount, 1);
    progress->SetText(messages::kAnalyzing);

    SplitPlan plan;
    if (SplitAnalyzer::Analyze(options, reader, *progress, frames, plan) ==
        SplitAnalyzer::Result::Cancelled) {
        return SplitOutcome::Cancelled;
    }
    // The lead-in and tail scans do not stop for a cancel, but one that came
    // during them still means no report and nothing written.
    if (progress->IsCancelled()) {
        return SplitOutcome::Cancelled;
    }
    progress->Hide();

    if (plan.splitPoints.empty()) {
        host.ShowMessage(messages::kNoSplitPoints, messages::kNothingToDoCaption, MB_OK);
        return SplitOutcome::NothingFound;
    }

    std::string folder = host.CurrentDirectory();
    if (folder.empty()) {
        // Names relative to the working directory, which is the output folder.
        folder.push_back('.');
    }
    // Writing a segment file over the recording would destroy it mid-copy.
    const std::string clash = OutputThatIsInput(inputFile, folder, options, plan.segmentCount);
    if (!clash.empty()) {
        ShowError(host, FormatText(messages::kOutputIsInput, clash.c_str()));
        return SplitOutcome::Refused;
    }

    host.PlanReady(plan, frameCount, sampleRate);
    const std::string report = SplitAnalyzer::FormatReport(plan, frameCount, sampleRate);
    if (host.ShowMessage(report, messages::kReadyCaption, MB_OKCANCEL) != IDOK) {
        return SplitOutcome::Declined;
    }

    switch (SegmentWriter::WriteSegments(reader, plan, frames, scratch, options, folder, *progress,
                                         host)) {
    case SegmentWriter::Result::Completed:
        return SplitOutcome::Written;
    case SegmentWriter::Result::Cancelled:
        return SplitOutcome::Cancelled;
    case SegmentWriter::Result::Failed:
        break;
    }
    return SplitOutcome::WriteFailed;
}
