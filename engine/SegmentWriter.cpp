#include "SegmentWriter.h"

#include "SplitQuantities.h"

#include <algorithm>
#include <climits>
#include <cstdio>

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

enum class SegmentStatus { Written, Cancelled, OpenFailed, WriteFailed, ReadFailed };

struct SegmentResult {
    SegmentStatus status = SegmentStatus::Written;
    bool fileOnDisk = false; // the failing file was created (and must be removed)
};

class Writer {
public:
    Writer(WaveStream& reader, const SplitPlan& plan, std::span<FrameSlot> frames,
           std::span<std::uint8_t> scratch, const SplitOptions& options, ProgressDisplay& progress,
           SplitHost& host)
        : reader(reader), plan(plan), frames(frames), scratch(scratch), options(options),
          progress(progress), host(host) {}

    void StartClock() {
        startTime = host.NowSeconds();
        lastEstimateTime = startTime;
    }

    SegmentResult WriteSegment(const SegmentSpan& span, const std::string& fileName) {
        SegmentResult result;
        WaveStream output;
        // The input's format; sizes past a RIFF header's reach are kept room for.
        const std::uint64_t plannedFrames =
            static_cast<std::uint64_t>(span.endFrame - span.firstFrame) +
            (span.appendSilence ? SilenceFrames() : 0);
        if (output.OpenForWrite(fileName.c_str(), reader.Format(), plannedFrames) != WAVE_OK) {
            // Still writing means the file was created but its header did not fit.
            result.status = SegmentStatus::OpenFailed;
            result.fileOnDisk = output.Mode() == RIFF_WRITING;
            return result;
        }
        result.fileOnDisk = true;

        const std::uint64_t window = frames.size();
        for (std::uint64_t position = span.windowStart; position < span.windowEnd;
             position += window) {
            if (position < span.endFrame) {
                const auto count = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(window, span.endFrame - position));
                if (!ReadExactly(position, count)) {
                    result.status = SegmentStatus::ReadFailed;
                    return result;
                }
                if (output.WriteFrameBytes(scratch.data(), count) != WAVE_OK) {
                    result.status = SegmentStatus::WriteFailed;
                    return result;
                }
            }
            const std::uint64_t reached = position + window;
            ShowEstimate(reached);
            progress.SetPos(static_cast<std::int64_t>(reached));
            progress.PumpMessages(true);
            if (progress.IsCancelled()) {
                // The file keeps the whole windows copied so far and no silence.
                result.status = output.Close() == WAVE_OK ? SegmentStatus::Cancelled
                                                          : SegmentStatus::WriteFailed;
                return result;
            }
        }

        if (span.appendSilence && !AppendSilence(output)) {
            result.status = SegmentStatus::WriteFailed;
            return result;
        }
        if (output.Close() != WAVE_OK) {
            result.status = SegmentStatus::WriteFailed;
        }
        return result;
    }

private:
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
        progress.SetText("Creating WAV files...  Estimated time remaining: %d:%02d",
                         static_cast<int>(remaining / 60), static_cast<int>(remaining % 60));
        lastEstimateTime = now;
    }

    WaveStream& reader;
    const SplitPlan& plan;
    std::span<FrameSlot> frames;
    std::span<std::uint8_t> scratch;
    const SplitOptions& options;
    ProgressDisplay& progress;
    SplitHost& host;
    std::uint64_t readerPosition = UINT64_MAX;
    std::int64_t startTime = 0;
    std::int64_t lastEstimateTime = 0;
};

} // namespace

SegmentWriter::Result SegmentWriter::WriteSegments(WaveStream& reader, const SplitPlan& plan,
                                                   std::span<FrameSlot> frames,
                                                   std::span<std::uint8_t> scratch,
                                                   const SplitOptions& options,
                                                   const std::string& folder,
                                                   ProgressDisplay& progress, SplitHost& host) {
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, reader.FrameCount());
    if (spans.empty() || frames.empty() ||
        scratch.size() < frames.size() * static_cast<std::size_t>(reader.BlockAlign())) {
        return Result::Failed;
    }
    const auto segmentCount = static_cast<std::uint32_t>(spans.size());

    Writer writer(reader, plan, frames, scratch, options, progress, host);
    writer.StartClock();
    host.SetIdlePriority();
    NormalPriorityOnExit restorePriority(host);

    progress.SetText("Creating WAV files...");
    progress.SetPos(static_cast<std::int64_t>(spans.front().windowStart));
    progress.BeginModal("Progress", 0);

    for (std::uint32_t s = 0; s < segmentCount; ++s) {
        const std::string fileName =
            SegmentFileName(folder, options.fileNamePrefix, s + 1, segmentCount);
        const SegmentResult result = writer.WriteSegment(spans[s], fileName);
        switch (result.status) {
        case SegmentStatus::Written:
            continue;
        case SegmentStatus::Cancelled:
            return Result::Cancelled;
        case SegmentStatus::OpenFailed:
        case SegmentStatus::WriteFailed:
        case SegmentStatus::ReadFailed:
            break;
        }
        // A file that could not be finished is removed, so that every file left in
        // the folder is complete and its header matches what it holds.
        if (result.fileOnDisk) {
            (void)std::remove(fileName.c_str());
        }
        progress.Hide();
        // Built by appending: one format for every message, in the program's own style.
        std::string message = "File error.  ";
        if (result.status == SegmentStatus::OpenFailed) {
            message += fileName;
            message += " could not be opened for writing.";
        } else if (result.status == SegmentStatus::WriteFailed) {
            message += fileName;
            message += " could not be written.";
        } else {
            message += options.inputPath;
            message += " could not be read.";
        }
        message += "  WAV file creation halted.";
        host.ShowMessage(message, "Error", MB_ICONERROR);
        return Result::Failed;
    }
    return Result::Completed;
}
