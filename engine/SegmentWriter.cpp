#include "SegmentWriter.h"

#include "Messages.h"
#include "OutputFiles.h"
#include "SplitQuantities.h"
#include "TrackTags.h"

#include <algorithm>
#include <climits>

std::vector<SegmentSpan> LayOutSegments(const SplitPlan& plan, std::uint32_t frameCount) {
    std::vector<SegmentSpan> spans;
    const std::uint64_t window = plan.windowFrames;
    if (window == 0) {
        return spans;
    }
    const std::uint64_t copyLimit =
        plan.tailEndFrame != 0 ? std::min(plan.tailEndFrame, frameCount) : frameCount;
    const std::size_t count = plan.splitPoints.size() + 1;
    spans.reserve(count);

    std::uint64_t position = plan.leadTrimFrame;
    for (std::size_t s = 0; s < count; ++s) {
        const bool last = s + 1 == count;
        const std::uint64_t segmentEnd = last ? copyLimit : plan.splitPoints[s];
        // Whole windows until the position reaches or passes the segment's end.
        const std::uint64_t windows =
            segmentEnd > position ? (segmentEnd - position + window - 1) / window : 0;
        const std::uint64_t next = position + windows * window;

        SegmentSpan span;
        const std::uint64_t first = std::min(position, copyLimit);
        span.firstFrame = static_cast<std::uint32_t>(first);
        span.endFrame = static_cast<std::uint32_t>(std::max(first, std::min(next, copyLimit)));
        span.appendSilence = !last;
        span.windowStart = position;
        span.windowEnd = next;
        spans.push_back(span);
        position = next;
    }
    return spans;
}

std::string SegmentFileName(const std::string& folder, const std::string& prefix,
                            std::uint32_t number, std::uint32_t segmentCount) {
    const std::size_t width = std::to_string(segmentCount).size();
    std::string digits = std::to_string(number);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    std::string name = folder;
    if (name.empty() || name.back() != kPathSeparator) {
        name += kPathSeparator;
    }
    name += prefix;
    name += digits;
    name += ".wav";
    return name;
}

std::string SegmentFileName(const std::string& folder, const SplitOptions& options,
                            std::uint32_t position, std::uint32_t segmentCount) {
    std::string name = folder;
    if (name.empty() || name.back() != kPathSeparator) {
        name += kPathSeparator;
    }
    return name + TrackFileName(options.fileNamePrefix, options.naming, position, segmentCount);
}

namespace {

// Normal priority once, on whichever way the writer ends.
class NormalPriorityOnExit {
public:
    explicit NormalPriorityOnExit(SplitHost& host) : host(host) {}
    ~NormalPriorityOnExit() { host.SetNormalPriority(); }
    NormalPriorityOnExit(const NormalPriorityOnExit&) = delete;
    NormalPriorityOnExit& operator=(const NormalPriorityOnExit&) = delete;

private:
    SplitHost& host;
};

enum class SegmentStatus {
    Written,
    Cancelled,
    CancelledNotWritten, // a file of the name existed and was kept
    OpenFailed,
    WriteFailed,
    ReadFailed,
    RenameFailed,
    IsRecording,
    RecordingChanged,
};

class Writer {
public:
    Writer(WaveStream& reader, const SplitPlan& plan, std::span<FrameSlot> frames,
           std::span<std::uint8_t> scratch, const SplitOptions& options, OutputFolder& folder,
           const RecordingWatch& recording, ProgressDisplay& progress, SplitHost& host)
        : reader(reader), plan(plan), frames(frames), scratch(scratch), options(options),
          folder(folder), recording(recording), progress(progress), host(host) {}

    void StartClock() {
        startTime = host.NowSeconds();
        lastEstimateTime = startTime;
    }

    // Written under a locked temporary name and renamed onto `name` only when
    // complete (or cancelled) and closed; on every other way out the temporary
    // file is removed.
    SegmentStatus WriteSegment(const SegmentSpan& span, const std::string& name,
                               std::span<const std::uint8_t> chunksBeforeData) {
        if (!recording.Unchanged()) {
            return SegmentStatus::RecordingChanged;
        }
        // Declared before the output, so the file is closed before it is removed.
        TemporaryFile temporary;
        WaveStream output;
        // The input's format; sizes past a RIFF header's reach are kept room for.
        const std::uint64_t plannedFrames =
            static_cast<std::uint64_t>(span.endFrame - span.firstFrame) +
            (span.appendSilence ? SilenceFrames() : 0);
        if (!MayReplace(folder, name) || !folder.CreateTemporary(temporary) ||
            output.OpenForWrite(temporary.ReleaseStream(), reader.Format(), plannedFrames,
                                chunksBeforeData) != WAVE_OK) {
            return SegmentStatus::OpenFailed;
        }

        const std::uint64_t window = frames.size();
        for (std::uint64_t position = span.windowStart; position < span.windowEnd;
             position += window) {
            if (position < span.endFrame) {
                const auto count = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(window, span.endFrame - position));
                if (!ReadExactly(position, count)) {
                    return SegmentStatus::ReadFailed;
                }
                if (output.WriteFrameBytes(scratch.data(), count) != WAVE_OK) {
                    return SegmentStatus::WriteFailed;
                }
            }
            const std::uint64_t reached = position + window;
            ShowEstimate(reached);
            progress.SetPos(static_cast<std::int64_t>(reached));
            progress.PumpMessages(true);
            if (progress.IsCancelled()) {
                // The file keeps the whole windows copied so far and no silence.
                return Finish(output, temporary, name, true);
            }
        }

        if (span.appendSilence && !AppendSilence(output)) {
            return SegmentStatus::WriteFailed;
        }
        return Finish(output, temporary, name, false);
    }

private:
    // Closes the output and, after the last checks, puts it onto its name. A
    // cancelled file only takes a free name: it never replaces a complete one.
    SegmentStatus Finish(WaveStream& output, TemporaryFile& temporary, const std::string& name,
                         bool cancelled) {
        if (output.Close() != WAVE_OK) {
            return SegmentStatus::WriteFailed;
        }
        if (!recording.Unchanged()) {
            return SegmentStatus::RecordingChanged;
        }
        // Looked at again right before the rename: the folder may have changed
        // while the file was written.
        if (recording.IsRecording(folder, name)) {
            return SegmentStatus::IsRecording;
        }
        if (!MayReplace(folder, name)) {
            return SegmentStatus::OpenFailed;
        }
        switch (folder.Commit(temporary, name, !cancelled)) {
        case CommitResult::Committed:
            return cancelled ? SegmentStatus::Cancelled : SegmentStatus::Written;
        case CommitResult::NameTaken:
            return SegmentStatus::CancelledNotWritten;
        case CommitResult::RenameFailed:
            break;
        }
        return SegmentStatus::RenameFailed;
    }

    // Reads exactly `count` frames starting at `position` into the scratch buffer,
    // as the file stores them: copied audio is never unpacked and packed again.
    // Every one of them lies inside the recording, so any failure is a real read
    // error, never the end.
    bool ReadExactly(std::uint64_t position, std::uint32_t count) {
        if (readerPosition != position) {
            if (reader.SeekToFrame(static_cast<std::uint32_t>(position)) != WAVE_OK) {
                return false;
            }
        }
        readerPosition = UINT64_MAX; // unknown until the read succeeds
        if (reader.ReadFrameBytes(count, scratch.data()) != WAVE_OK) {
            return false;
        }
        readerPosition = position + count;
        return true;
    }

    std::uint64_t SilenceFrames() const {
        return FramesForMilliseconds(reader.SampleRate(), options.appendSilenceMs);
    }

    // The silence slot packs to the file's own silence: 128 for 8-bit, zero otherwise.
    bool AppendSilence(WaveStream& output) {
        std::uint64_t remaining = SilenceFrames();
        if (remaining == 0) {
            return true;
        }
        // The frame buffer is free while the writer copies; it now holds silence.
        const FrameSlot silence{plan.silenceSample, plan.silenceSample};
        const std::size_t filled =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining, frames.size()));
        std::fill_n(frames.begin(), filled, silence);
        while (remaining != 0) {
            const auto count =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, filled));
            if (output.WriteFrames(frames.data(), count, scratch.data()) != WAVE_OK) {
                return false;
            }
            remaining -= count;
        }
        return true;
    }

    // "Estimated time remaining", refreshed at most once per whole second.
    void ShowEstimate(std::uint64_t position) {
        const std::int64_t now = host.NowSeconds();
        const std::int64_t elapsed = now - startTime;
        const std::int64_t since = now - lastEstimateTime;
        if (elapsed == 0 || since == 0) {
            return;
        }
        const float fraction =
            static_cast<float>(position) / static_cast<float>(reader.FrameCount());
        const double total = static_cast<double>(static_cast<float>(elapsed) / fraction);
        std::int64_t remaining = 0;
        if (total < static_cast<double>(INT_MAX)) {
            remaining = static_cast<std::int64_t>(total) - elapsed;
        } else {
            remaining = INT_MAX;
        }
        // In the last window the position can pass the end; never show a negative time.
        remaining = std::clamp<std::int64_t>(remaining, 0, INT_MAX);
        progress.SetStatus(FormatText(messages::kCreatingWithEstimate,
                                      static_cast<int>(remaining / 60),
                                      static_cast<int>(remaining % 60)));
        lastEstimateTime = now;
    }

    WaveStream& reader;
    const SplitPlan& plan;
    std::span<FrameSlot> frames;
    std::span<std::uint8_t> scratch;
    const SplitOptions& options;
    OutputFolder& folder;
    const RecordingWatch& recording;
    ProgressDisplay& progress;
    SplitHost& host;
    std::uint64_t readerPosition = UINT64_MAX;
    std::int64_t startTime = 0;
    std::int64_t lastEstimateTime = 0;
};

} // namespace

SegmentWriter::Result
SegmentWriter::WriteSegments(WaveStream& reader, const SplitPlan& plan, std::span<FrameSlot> frames,
                             std::span<std::uint8_t> scratch, const SplitOptions& options,
                             OutputFolder& folder, const std::string& folderPath,
                             const RecordingWatch& recording, ProgressDisplay& progress,
                             SplitHost& host, const WaveMetadata& metadata) {
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, reader.FrameCount());
    if (spans.empty() || frames.empty() ||
        scratch.size() < frames.size() * static_cast<std::size_t>(reader.BlockAlign())) {
        return Result::Failed;
    }
    const auto segmentCount = static_cast<std::uint32_t>(spans.size());

    Writer writer(reader, plan, frames, scratch, options, folder, recording, progress, host);
    writer.StartClock();
    host.SetIdlePriority();
    NormalPriorityOnExit restorePriority(host);

    progress.SetStatus(messages::kCreating);
    progress.SetPos(static_cast<std::int64_t>(spans.front().windowStart));
    progress.BeginModal(messages::kProgressTitle, false);

    // A name that no file may take (a FIFO, a device, a folder) stops the run
    // before any earlier file of the same names is replaced.
    std::vector<std::string> names;
    for (std::uint32_t s = 0; s < segmentCount; ++s) {
        names.push_back(TrackFileName(options.fileNamePrefix, options.naming, s + 1, segmentCount));
    }
    SegmentStatus status = SegmentStatus::Written;
    std::uint32_t s = 0;
    const auto unusable =
        std::find_if_not(names.begin(), names.end(),
                         [&folder](const std::string& name) { return MayReplace(folder, name); });
    if (unusable != names.end()) {
        s = static_cast<std::uint32_t>(unusable - names.begin());
        status = SegmentStatus::OpenFailed;
    } else {
        for (; s < segmentCount; ++s) {
            const std::vector<std::uint8_t> chunks =
                TrackChunks(options.naming, metadata, reader.Format(), s + 1, spans[s].firstFrame);
            status = writer.WriteSegment(spans[s], names[s], chunks);
            if (status != SegmentStatus::Written) {
                break;
            }
        }
        if (s == segmentCount) {
            return Result::Completed;
        }
    }

    const std::string fileName = SegmentFileName(folderPath, options, s + 1, segmentCount);
    if (status == SegmentStatus::Cancelled) {
        return Result::Cancelled;
    }
    progress.Hide();
    if (status == SegmentStatus::CancelledNotWritten) {
        host.ShowMessage(FormatText(messages::kCancelledNotWritten, fileName.c_str()),
                         messages::kCancelledCaption, MessageKind::Notice);
        return Result::Cancelled;
    }
    const char* format = messages::kCannotOpenForWriting;
    const char* subject = fileName.c_str();
    switch (status) {
    case SegmentStatus::WriteFailed:
        format = messages::kCannotWrite;
        break;
    case SegmentStatus::ReadFailed:
        format = messages::kCannotRead;
        subject = options.inputPath.c_str();
        break;
    case SegmentStatus::RenameFailed:
        format = messages::kCannotRename;
        break;
    case SegmentStatus::IsRecording:
        format = messages::kOutputIsInput;
        break;
    case SegmentStatus::RecordingChanged:
        format = messages::kRecordingChanged;
        subject = options.inputPath.c_str();
        break;
    default:
        break;
    }
    host.ShowMessage(FormatText(format, subject), messages::kErrorCaption, MessageKind::Error);
    return Result::Failed;
}
