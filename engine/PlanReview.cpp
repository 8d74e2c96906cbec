#include "PlanReview.h"

#include "Messages.h"

#include "SegmentWriter.h"
#include "SplitAnalyzer.h"
#include "SplitHost.h"
#include "SplitQuantities.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <system_error>

namespace {

// Lowest and highest value and magnitude sum of each channel over some frames.
struct SliceLevels {
    int low[2] = {INT32_MAX, INT32_MAX};
    int high[2] = {INT32_MIN, INT32_MIN};
    std::uint64_t sum[2] = {0, 0};
};

// One pass over frame slots (the values the analysis judges: 8-bit samples as
// their byte value around 128, wider ones reduced to 16 bits), as interleaved
// 16-bit values of two channels. Fixed lanes of accumulators, so the compiler
// vectorises the loop; lane l always holds channel l % 2.
void ScanSamples(const std::int16_t* samples, std::size_t count, int silence, SliceLevels& levels) {
    constexpr std::size_t kLanes = 16;
    // Sums of up to 65536 magnitudes of at most 32768 per lane fit 32 bits.
    constexpr std::size_t kBlockSamples = kLanes * 65536;
    std::int16_t low[kLanes];
    std::int16_t high[kLanes];
    std::uint64_t sum[kLanes] = {};
    std::fill(low, low + kLanes, std::numeric_limits<std::int16_t>::max());
    std::fill(high, high + kLanes, std::numeric_limits<std::int16_t>::min());
    const std::size_t whole = count - count % kLanes;
    for (std::size_t begin = 0; begin < whole; begin += kBlockSamples) {
        const std::size_t end = std::min(whole, begin + kBlockSamples);
        std::uint32_t blockSum[kLanes] = {};
        for (std::size_t i = begin; i < end; i += kLanes) {
            for (std::size_t lane = 0; lane < kLanes; ++lane) {
                const std::int16_t value = samples[i + lane];
                low[lane] = std::min(low[lane], value);
                high[lane] = std::max(high[lane], value);
                const int offset = static_cast<int>(value) - silence;
                blockSum[lane] += static_cast<std::uint32_t>(offset < 0 ? -offset : offset);
            }
        }
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            sum[lane] += blockSum[lane];
        }
    }
    for (std::size_t i = whole; i < count; ++i) {
        const std::size_t lane = i % kLanes;
        low[lane] = std::min(low[lane], samples[i]);
        high[lane] = std::max(high[lane], samples[i]);
        const int offset = static_cast<int>(samples[i]) - silence;
        sum[lane] += static_cast<std::uint32_t>(offset < 0 ? -offset : offset);
    }
    // Lanes that saw no sample (fewer samples than lanes) are left out.
    for (std::size_t lane = 0; lane < std::min(count, kLanes); ++lane) {
        const std::size_t channel = lane % 2;
        levels.low[channel] = std::min(levels.low[channel], static_cast<int>(low[lane]));
        levels.high[channel] = std::max(levels.high[channel], static_cast<int>(high[lane]));
        levels.sum[channel] += sum[lane];
    }
}

// The frames [first, first + frames) of a block of frame slots read with
// ReadFrames. A mono recording's second values hold silence throughout.
void Scan(const std::uint8_t* block, std::size_t first, std::size_t frames, bool /*stereo*/,
          bool eightBit, SliceLevels& levels) {
    const auto* slots = reinterpret_cast<const FrameSlot*>(block);
    ScanSamples(&slots[first].channel1, frames * 2, eightBit ? 128 : 0, levels);
}

// A sample value on the 16-bit scale: 8-bit samples sit around 128 and span 256 values.
std::int16_t ToFullScale(int value, bool eightBit) {
    return static_cast<std::int16_t>(eightBit ? (value - 128) * 256 : value);
}

} // namespace

FrameScale::FrameScale(std::uint32_t first, std::uint32_t end, std::uint32_t columnCount)
    : firstFrame(first), endFrame(std::max(first, end)),
      span(std::max<std::uint64_t>(1, endFrame - first)),
      columns(std::max<std::uint32_t>(1, columnCount)) {}

std::uint32_t FrameScale::ColumnOf(std::uint64_t frame) const {
    if (frame <= firstFrame) {
        return 0;
    }
    if (frame >= endFrame) {
        return columns;
    }
    return static_cast<std::uint32_t>((frame - firstFrame) * columns / span);
}

std::uint64_t FrameScale::ColumnStart(std::uint32_t column) const {
    if (column >= columns) {
        return endFrame;
    }
    // The smallest frame whose column is `column`: ceil(column * span / columns).
    return firstFrame + (static_cast<std::uint64_t>(column) * span + columns - 1) / columns;
}

std::uint32_t FrameScale::FrameAtColumn(std::int64_t column) const {
    if (column <= 0) {
        return firstFrame;
    }
    if (column >= static_cast<std::int64_t>(columns)) {
        return endFrame == firstFrame ? firstFrame : endFrame - 1;
    }
    return static_cast<std::uint32_t>(ColumnStart(static_cast<std::uint32_t>(column)));
}

namespace {

// Folds blocks of stored frames into an overview's columns: each column's lowest
// and highest sample per channel, and the means of the whole analysis windows
// that reach into it.
class OverviewFolder {
public:
    OverviewFolder(const FrameScale& scale, std::uint64_t firstFrame, std::uint64_t endFrame,
                   std::uint32_t windowFrames, bool eightBit, WaveOverview& overview)
        : scale(scale), firstFrame(firstFrame), endFrame(endFrame), windowFrames(windowFrames),
          eightBit(eightBit), overview(overview), touched(scale.Columns(), false) {}

    // The block of `count` frames from frame `start`; `wholeWindow` when it is a
    // whole analysis window.
    void FoldBlock(const std::uint8_t* bytes, std::uint64_t start, std::uint32_t count,
                   bool wholeWindow) {
        // The part of this block inside the range, column by column; the slices
        // together are the whole window when the range covers it.
        const std::uint64_t from = std::max<std::uint64_t>(start, firstFrame);
        const std::uint64_t to = std::min<std::uint64_t>(start + count, endFrame);
        SliceLevels window;
        if (from > start) {
            Scan(bytes, 0, static_cast<std::size_t>(from - start), overview.stereo, eightBit,
                 window);
        }
        FoldColumns(bytes, start, from, to, window);
        if (windowFrames != 0 && wholeWindow && to > from) {
            if (start + count > to) {
                Scan(bytes, static_cast<std::size_t>(to - start),
                     static_cast<std::size_t>(start + count - to), overview.stereo, eightBit,
                     window);
            }
            FoldWindowMean(window, count, from, to);
        }
    }

private:
    // Frames `from` to `to` of the block, column by column, into the columns'
    // extremes; their sums go into `window`.
    void FoldColumns(const std::uint8_t* bytes, std::uint64_t start, std::uint64_t from,
                     std::uint64_t to, SliceLevels& window) {
        for (std::uint64_t at = from; at < to;) {
            const std::uint32_t column = scale.ColumnOf(at);
            const std::uint64_t columnEnd = std::min(scale.ColumnStart(column + 1), to);
            SliceLevels slice;
            Scan(bytes, static_cast<std::size_t>(at - start),
                 static_cast<std::size_t>(columnEnd - at), overview.stereo, eightBit, slice);
            OverviewColumn& target = overview.columns[column];
            for (int channel = 0; channel < (overview.stereo ? 2 : 1); ++channel) {
                const std::int16_t low = ToFullScale(slice.low[channel], eightBit);
                const std::int16_t high = ToFullScale(slice.high[channel], eightBit);
                target.low[channel] = touched[column] ? std::min(target.low[channel], low) : low;
                target.high[channel] =
                    touched[column] ? std::max(target.high[channel], high) : high;
                window.sum[channel] += slice.sum[channel];
            }
            touched[column] = true;
            at = columnEnd;
        }
    }

    // The window's larger channel mean, as the average method compares it, into
    // every column from `from` to `to` reaches.
    void FoldWindowMean(const SliceLevels& window, std::uint32_t count, std::uint64_t from,
                        std::uint64_t to) {
        const std::uint32_t levelScale = eightBit ? 256 : 1;
        const std::uint64_t larger = std::max(window.sum[0], window.sum[1]);
        const auto mean = static_cast<std::uint32_t>(larger / count) * levelScale;
        const std::uint32_t lastColumn = std::min(scale.ColumnOf(to - 1), scale.Columns() - 1);
        for (std::uint32_t column = scale.ColumnOf(from); column <= lastColumn; ++column) {
            overview.columns[column].windowMean =
                std::max(overview.columns[column].windowMean, mean);
        }
    }

    const FrameScale& scale;
    const std::uint64_t firstFrame;
    const std::uint64_t endFrame;
    const std::uint32_t windowFrames;
    const bool eightBit;
    WaveOverview& overview;
    std::vector<bool> touched;
};

} // namespace

bool ReadOverview(WaveStream& reader, std::uint32_t firstFrame, std::uint32_t endFrame,
                  std::uint32_t columns, std::uint32_t windowFrames, const std::atomic<bool>& stop,
                  WaveOverview& overview) {
    endFrame = std::min(endFrame, reader.FrameCount());
    const FrameScale scale(firstFrame, endFrame, columns);
    overview = WaveOverview();
    overview.firstFrame = firstFrame;
    overview.endFrame = std::max(firstFrame, endFrame);
    overview.sampleRate = reader.SampleRate();
    overview.stereo = reader.Channels() == 2;
    overview.columns.assign(scale.Columns(), OverviewColumn());
    if (endFrame <= firstFrame) {
        return true;
    }
    // The analysis's own 16-bit reduction: frame slots, whatever the stored format.
    const std::size_t blockAlign = sizeof(FrameSlot);

    // Whole analysis windows counted from frame 0, so the means are the ones the
    // analysis computes; without a window length, blocks of a fixed size.
    constexpr std::uint32_t kBlockFrames = 65536;
    const std::uint32_t block = windowFrames != 0 ? windowFrames : kBlockFrames;
    const std::uint64_t readStart =
        windowFrames != 0 ? firstFrame - firstFrame % windowFrames : firstFrame;
    // Several windows per read, so the system calls are as few as cat's.
    constexpr std::uint32_t kReadFrames = 65536;
    const std::uint32_t readFrames = block * std::max<std::uint32_t>(1, kReadFrames / block);
    // A mono recording's second values stay silence, so they never count.
    const std::int16_t silence = SilenceSampleFor(reader.SlotBits());
    std::unique_ptr<FrameSlot[]> storage(new (std::nothrow) FrameSlot[readFrames]);
    if (storage) {
        std::fill(storage.get(), storage.get() + readFrames, FrameSlot{silence, silence});
    }
    auto* buffer = reinterpret_cast<std::uint8_t*>(storage.get());
    OverviewFolder folder(scale, firstFrame, endFrame, windowFrames, reader.BitsPerSample() == 8,
                          overview);
    if (!storage || reader.SeekToFrame(static_cast<std::uint32_t>(readStart)) != WAVE_OK) {
        return false;
    }
    for (std::uint64_t readAt = readStart; readAt < endFrame; readAt += readFrames) {
        if (stop.load(std::memory_order_relaxed)) {
            return false;
        }
        const auto readCount = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(readFrames, reader.FrameCount() - readAt));
        if (reader.ReadFrames(static_cast<std::int32_t>(readCount), storage.get()) != WAVE_OK) {
            return false;
        }
        for (std::uint64_t start = readAt; start < readAt + readCount && start < endFrame;
             start += block) {
            const auto count = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(block, reader.FrameCount() - start));
            folder.FoldBlock(buffer + (start - readAt) * blockAlign, start, count,
                             start + block <= reader.FrameCount());
        }
    }
    return true;
}

WaveOverview OverviewFromLevels(const LevelTable& table, std::uint32_t sampleRate,
                                std::uint32_t firstFrame, std::uint32_t endFrame,
                                std::uint32_t columns, std::uint32_t windowFrames) {
    const std::uint64_t block = table.windowFrames;
    const std::size_t blocks = table.windows.size();
    const std::uint64_t frameCount =
        blocks == 0 ? 0 : (blocks - 1) * block + table.windows.back().frames;
    endFrame = static_cast<std::uint32_t>(std::min<std::uint64_t>(endFrame, frameCount));
    const FrameScale scale(firstFrame, endFrame, columns);
    WaveOverview overview;
    overview.firstFrame = firstFrame;
    overview.endFrame = std::max(firstFrame, endFrame);
    overview.sampleRate = sampleRate;
    overview.stereo = table.stereo;
    overview.columns.assign(scale.Columns(), OverviewColumn());
    if (endFrame <= firstFrame || block == 0) {
        return overview;
    }
    const bool eightBit = table.silenceSample != 0;
    const int channels = table.stereo ? 2 : 1;
    const std::uint32_t lastColumn = scale.Columns() - 1;
    std::vector<bool> touched(scale.Columns(), false);
    for (std::uint64_t b = firstFrame / block; b < blocks && b * block < endFrame; ++b) {
        const WindowLevel& level = table.windows[static_cast<std::size_t>(b)];
        const std::uint64_t from = std::max<std::uint64_t>(b * block, firstFrame);
        const std::uint64_t to = std::min<std::uint64_t>(b * block + level.frames, endFrame);
        if (to <= from) {
            continue;
        }
        for (std::uint32_t column = scale.ColumnOf(from);
             column <= std::min(scale.ColumnOf(to - 1), lastColumn); ++column) {
            OverviewColumn& target = overview.columns[column];
            for (int channel = 0; channel < channels; ++channel) {
                const std::int16_t low = ToFullScale(level.low[channel], eightBit);
                const std::int16_t high = ToFullScale(level.high[channel], eightBit);
                target.low[channel] = touched[column] ? std::min(target.low[channel], low) : low;
                target.high[channel] =
                    touched[column] ? std::max(target.high[channel], high) : high;
            }
            touched[column] = true;
        }
    }
    if (windowFrames == 0) {
        return overview;
    }
    // Whole windows only, as the analysis judges them; their means from their blocks.
    const std::uint32_t levelScale = eightBit ? 256 : 1;
    for (std::uint64_t start = firstFrame - firstFrame % windowFrames;
         start < endFrame && start + windowFrames <= frameCount; start += windowFrames) {
        std::uint64_t sum[2] = {0, 0};
        std::uint64_t frames = 0;
        const std::uint64_t endBlock =
            std::min<std::uint64_t>(blocks, (start + windowFrames + block - 1) / block);
        for (std::uint64_t b = start / block; b < endBlock; ++b) {
            const WindowLevel& level = table.windows[static_cast<std::size_t>(b)];
            for (int channel = 0; channel < channels; ++channel) {
                sum[channel] += level.sum[channel];
            }
            frames += level.frames;
        }
        const auto mean = static_cast<std::uint32_t>(std::max(sum[0], sum[1]) /
                                                     std::max<std::uint64_t>(1, frames)) *
                          levelScale;
        const std::uint64_t from = std::max<std::uint64_t>(start, firstFrame);
        const std::uint64_t to = std::min<std::uint64_t>(start + windowFrames, endFrame);
        for (std::uint32_t column = scale.ColumnOf(from);
             column <= std::min(scale.ColumnOf(to - 1), lastColumn); ++column) {
            overview.columns[column].windowMean =
                std::max(overview.columns[column].windowMean, mean);
        }
    }
    return overview;
}

std::uint32_t ThresholdLevel(const std::string& thresholdText, std::uint16_t bitsPerSample) {
    const std::uint32_t threshold = AmplitudeThreshold(thresholdText, bitsPerSample);
    return bitsPerSample == 8 ? threshold * 256 : threshold;
}

int LevelOffset(std::uint32_t level, int halfHeight) {
    if (halfHeight <= 0) {
        return 0;
    }
    const std::uint64_t clamped = std::min(level, kFullScaleLevel);
    return static_cast<int>(
        (clamped * static_cast<std::uint64_t>(halfHeight) + kFullScaleLevel / 2) / kFullScaleLevel);
}

PlanPicture PicturePlan(const SplitPlan& plan, std::uint32_t frameCount, const FrameScale& scale) {
    PlanPicture picture;
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, frameCount);
    std::uint32_t number = 0;
    for (const SegmentSpan& span : spans) {
        PlanBand band;
        band.number = ++number;
        band.firstFrame = span.firstFrame;
        band.endFrame = span.endFrame;
        band.left = scale.ColumnOf(span.firstFrame);
        band.right = std::max(band.left + 1, scale.ColumnOf(span.endFrame));
        picture.bands.push_back(band);
        if (number < spans.size()) {
            picture.cutColumns.push_back(scale.ColumnOf(span.endFrame));
        }
    }
    picture.leadEndColumn = scale.ColumnOf(plan.leadTrimFrame);
    picture.tailStartColumn = plan.tailEndFrame != 0
                                  ? scale.ColumnOf(std::min(plan.tailEndFrame, frameCount))
                                  : scale.Columns();
    return picture;
}

std::string FormatTime(std::uint64_t frame, std::uint32_t sampleRate, bool withTenths) {
    if (sampleRate == 0) {
        return std::string();
    }
    const std::uint64_t seconds = frame / sampleRate;
    char text[48];
    if (withTenths) {
        const std::uint64_t tenths = frame % sampleRate * 10 / sampleRate;
        std::snprintf(
            text, sizeof text, "%llu:%02llu.%llu", static_cast<unsigned long long>(seconds / 60),
            static_cast<unsigned long long>(seconds % 60), static_cast<unsigned long long>(tenths));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu",
                      static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    }
    return text;
}

std::string HoverText(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate,
                      const std::string& fileNamePrefix, std::uint32_t frame) {
    std::string text = FormatTime(frame, sampleRate, true);
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, frameCount);
    const auto count = static_cast<std::uint32_t>(spans.size());
    for (std::uint32_t index = 0; index < count; ++index) {
        if (frame >= spans[index].firstFrame && frame < spans[index].endFrame) {
            const std::string path = SegmentFileName("", fileNamePrefix, index + 1, count);
            return text + "   " + path.substr(1); // without the separator before the name
        }
    }
    return text + "   trimmed";
}

std::string ReviewText(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate) {
    if (plan.splitPoints.empty()) {
        return messages::kNoSplitPoints;
    }
    return SplitAnalyzer::FormatReport(plan, frameCount, sampleRate);
}

std::optional<SplitPlan> AnalyzeRecording(const SplitOptions& options, const std::string& inputFile,
                                          const std::function<bool()>& cancelled) {
    WaveStream reader;
    if (reader.OpenForRead(inputFile.c_str()) != WAVE_OK) {
        return std::nullopt;
    }
    return AnalyzeRecording(options, reader, cancelled);
}

std::optional<SplitPlan> AnalyzeRecording(const SplitOptions& options, WaveStream& reader,
                                          const std::function<bool()>& cancelled) {
    if (reader.SeekToFrame(0) != WAVE_OK) {
        return std::nullopt;
    }
    const std::uint64_t window =
        FramesForMilliseconds(reader.SampleRate(), options.silenceLengthMs);
    if (window == 0 || window > reader.FrameCount()) {
        return std::nullopt;
    }
    std::unique_ptr<FrameSlot[]> frames(new (std::nothrow) FrameSlot[window]());
    if (!frames) {
        return std::nullopt;
    }
    SilentProgress progress(cancelled);
    SplitPlan plan;
    if (SplitAnalyzer::Analyze(options, reader, progress,
                               std::span<FrameSlot>(frames.get(), static_cast<std::size_t>(window)),
                               plan) != SplitAnalyzer::Result::Complete ||
        progress.IsCancelled()) {
        return std::nullopt;
    }
    return plan;
}

PlanReanalyzer::PlanReanalyzer(SplitOptions options, std::string file, std::uint32_t frames,
                               std::uint32_t rate, Listener onResult)
    : baseOptions(std::move(options)), inputFile(std::move(file)), frameCount(frames),
      sampleRate(rate), listener(std::move(onResult)) {
    // The engine reports rather than throws: when the system refuses a thread,
    // requests are answered on the caller's thread instead.
    try {
        worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
    }
}

PlanReanalyzer::PlanReanalyzer(SplitOptions options, WaveStream& reader, Listener onResult,
                               LevelsListener onLevels, StripListener onStrip, ClipListener onClip)
    : baseOptions(std::move(options)), sharedReader(&reader), frameCount(reader.FrameCount()),
      sampleRate(reader.SampleRate()), listener(std::move(onResult)),
      levelsListener(std::move(onLevels)), stripListener(std::move(onStrip)),
      clipListener(std::move(onClip)) {
    // Busy from the start: the worker measures the levels before anything else,
    // and WaitUntilIdle waits for that too.
    busy = true;
    try {
        worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        busy = false; // measured at the first request instead
    }
}

bool PlanReanalyzer::EnsureTable() {
    if (!table) {
        if (tableUnavailable) {
            return false;
        }
        const std::uint64_t window = FramesForMilliseconds(sampleRate, baseOptions.silenceLengthMs);
        auto measured = std::make_shared<LevelTable>();
        if (window == 0 || window > UINT32_MAX ||
            !MeasureLevels(*sharedReader,
                           LevelBlockFrames(static_cast<std::uint32_t>(window), frameCount),
                           closing, *measured)) {
            // Measured once: a closing review stops the measure, which is no failure.
            if (!closing.load()) {
                tableUnavailable = true;
                if (levelsListener) {
                    levelsListener(nullptr);
                }
            }
            return false;
        }
        table = std::move(measured);
        if (levelsListener) {
            levelsListener(table);
        }
    }
    return true;
}

std::optional<SplitPlan> PlanReanalyzer::PlanFromTable(const SplitOptions& options) {
    if (!EnsureTable()) {
        return std::nullopt;
    }
    std::uint64_t framesRead = 0;
    return PlanFromLevels(*table, *sharedReader, options, framesRead);
}

PlanReanalyzer::~PlanReanalyzer() {
    closing.store(true);
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        stripStop.store(true);
        latest.store(latest.load() + 1); // the analysis that runs is superseded: it stops
    }
    wake.notify_all();
    if (worker.joinable()) {
        worker.join();
    }
}

std::uint64_t PlanReanalyzer::Request(const std::string& thresholdText, bool useAverageMethod) {
    SplitOptions options = baseOptions;
    options.thresholdText = thresholdText;
    options.useAverageMethod = useAverageMethod;
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        generation = latest.load() + 1;
        latest.store(generation); // the analysis that runs sees it and stops
        pending = std::move(options);
        pendingGeneration = generation;
    }
    if (!worker.joinable()) {
        SplitOptions now;
        {
            std::lock_guard<std::mutex> lock(mutex);
            now = std::move(*pending);
            pending.reset();
            busy = true;
        }
        Analyze(std::move(now), generation);
        return generation;
    }
    wake.notify_all();
    return generation;
}

std::uint64_t PlanReanalyzer::RequestStrip(std::uint32_t first, std::uint32_t end,
                                           std::uint32_t columns) {
    StripRequest request{first, end, columns, 0};
    {
        std::lock_guard<std::mutex> lock(mutex);
        request.generation = ++latestStrip;
        stripStop.store(true); // the strip that is read, if any, is superseded
        pendingStrip = request;
    }
    if (!worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            pendingStrip.reset();
            stripStop.store(false);
            busy = true;
        }
        ReadStrip(request);
        return request.generation;
    }
    wake.notify_all();
    return request.generation;
}

void PlanReanalyzer::RequestClip(std::uint32_t first, std::uint32_t end, std::uint64_t request) {
    const ClipRequest clip{first, end, request};
    {
        std::lock_guard<std::mutex> lock(mutex);
        pendingClip = clip;
    }
    if (!worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            pendingClip.reset();
            busy = true;
        }
        ReadClip(clip);
        return;
    }
    wake.notify_all();
}

void PlanReanalyzer::ReadClip(const ClipRequest& request) {
    // Only the recording the review opened is read: the file at its path may
    // since have been replaced.
    std::shared_ptr<const PlaybackClip> clip;
    if (sharedReader != nullptr) {
        clip = ReadPlaybackClip(*sharedReader, request.first, request.end);
    }
    bool wanted = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wanted = !stopping;
    }
    if (wanted && clipListener) {
        clipListener(request.request, std::move(clip));
    }
    Finished();
}

void PlanReanalyzer::ReadStrip(const StripRequest& request) {
    Strip strip;
    strip.generation = request.generation;
    const std::uint64_t window = FramesForMilliseconds(sampleRate, baseOptions.silenceLengthMs);
    strip.complete = sharedReader != nullptr && window <= UINT32_MAX &&
                     ReadOverview(*sharedReader, request.first, request.end, request.columns,
                                  static_cast<std::uint32_t>(window), stripStop, strip.overview);
    bool newest = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        newest = request.generation == latestStrip && !stopping;
    }
    if (newest && stripListener) {
        stripListener(strip);
    }
    Finished();
}

void PlanReanalyzer::Finished() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        busy = false;
    }
    idle.notify_all();
}

void PlanReanalyzer::WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock,
              [this] { return (!pending && !pendingStrip && !pendingClip && !busy) || stopping; });
}

void PlanReanalyzer::Work() {
    // The table is measured while the user looks at the plan, so that the first
    // change of threshold or method is as quick as the others.
    if (sharedReader != nullptr) {
        (void)EnsureTable();
        Finished();
    }
    for (;;) {
        std::optional<SplitOptions> options;
        std::optional<StripRequest> strip;
        std::optional<ClipRequest> clip;
        std::uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return pending || pendingStrip || pendingClip || stopping; });
            if (stopping) {
                idle.notify_all();
                return;
            }
            // A clip first, then a plan, then a strip: the user waits to hear
            // the clip and for the plan.
            if (pendingClip) {
                clip = pendingClip;
                pendingClip.reset();
            } else if (pending) {
                options = std::move(pending);
                pending.reset();
                generation = pendingGeneration;
            } else {
                strip = pendingStrip;
                pendingStrip.reset();
                stripStop.store(false);
            }
            busy = true;
        }
        if (clip) {
            ReadClip(*clip);
        } else if (options) {
            Analyze(std::move(*options), generation);
        } else {
            ReadStrip(*strip);
        }
    }
}

void PlanReanalyzer::Analyze(SplitOptions options, std::uint64_t generation) {
    const std::function<bool()> superseded = [this, generation] {
        return latest.load() != generation;
    };
    // Without a table (no memory for it), the open recording is analysed afresh.
    std::optional<SplitPlan> plan =
        sharedReader == nullptr ? AnalyzeRecording(options, inputFile, superseded)
        : EnsureTable()         ? PlanFromTable(options)
                                : AnalyzeRecording(options, *sharedReader, superseded);
    if (!superseded()) {
        Result result;
        result.generation = generation;
        result.options = options;
        result.complete = plan.has_value();
        if (plan) {
            result.text = ReviewText(*plan, frameCount, sampleRate);
            result.plan = std::move(*plan);
        }
        listener(result);
    }
    Finished();
}
