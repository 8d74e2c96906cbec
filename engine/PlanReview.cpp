#include "PlanReview.h"

#include "SegmentWriter.h"
#include "SplitAnalyzer.h"
#include "SplitHost.h"
#include "SplitQuantities.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>

namespace {

// 8-bit samples sit around 128 and span 256 values; scaled, they span the 16-bit range.
std::int16_t ToFullScale(std::int16_t value, bool eightBit) {
    if (!eightBit) {
        return value;
    }
    return static_cast<std::int16_t>((static_cast<int>(value) - 128) * 256);
}

// Lowest and highest sample of the frames [begin, end) into one column.
void FoldFrames(std::span<const FrameSlot> frames, bool stereo, bool eightBit,
                OverviewColumn& column, bool& touched) {
    if (frames.empty()) {
        return;
    }
    std::int16_t low1 = INT16_MAX, high1 = INT16_MIN, low2 = INT16_MAX, high2 = INT16_MIN;
    for (const FrameSlot& frame : frames) {
        low1 = std::min(low1, frame.channel1);
        high1 = std::max(high1, frame.channel1);
        low2 = std::min(low2, frame.channel2);
        high2 = std::max(high2, frame.channel2);
    }
    const std::int16_t lows[2] = {ToFullScale(low1, eightBit),
                                  stereo ? ToFullScale(low2, eightBit) : std::int16_t{0}};
    const std::int16_t highs[2] = {ToFullScale(high1, eightBit),
                                   stereo ? ToFullScale(high2, eightBit) : std::int16_t{0}};
    for (int channel = 0; channel < 2; ++channel) {
        if (!touched) {
            column.low[channel] = lows[channel];
            column.high[channel] = highs[channel];
        } else {
            column.low[channel] = std::min(column.low[channel], lows[channel]);
            column.high[channel] = std::max(column.high[channel], highs[channel]);
        }
    }
    touched = true;
}

// Progress that nobody sees; its cancel request comes from the caller.
class SilentProgress : public ProgressDisplay {
public:
    explicit SilentProgress(const std::function<bool()>& cancelled) : cancelled(cancelled) {}
    bool BeginModal(const char*, int) override { return true; }
    std::int64_t SetRange(std::int64_t, std::int64_t, std::int64_t) override { return 0; }
    std::int64_t SetPos(std::int64_t) override { return 0; }
    void PumpMessages(bool) override {}
    bool IsCancelled() const override { return cancelled && cancelled(); }
    void Hide() override {}

protected:
    void SetStatusText(const char*) override {}

private:
    const std::function<bool()>& cancelled;
};

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
    const bool eightBit = reader.BitsPerSample() == 8;
    const std::uint32_t levelScale = eightBit ? 256 : 1;

    WindowJudge judge;
    judge.silenceSample = SilenceSampleFor(reader.BitsPerSample());
    judge.stereo = overview.stereo;

    // Whole analysis windows counted from frame 0, so the means are the ones the
    // analysis computes; without a window length, blocks of a fixed size.
    constexpr std::uint32_t kBlockFrames = 65536;
    const std::uint32_t block = windowFrames != 0 ? windowFrames : kBlockFrames;
    const std::uint64_t readStart =
        windowFrames != 0 ? firstFrame - firstFrame % windowFrames : firstFrame;
    std::unique_ptr<FrameSlot[]> buffer(new (std::nothrow) FrameSlot[block]);
    std::vector<bool> touched(scale.Columns(), false);
    if (!buffer || reader.SeekToFrame(static_cast<std::uint32_t>(readStart)) != WAVE_OK) {
        return false;
    }
    for (std::uint64_t start = readStart; start < endFrame; start += block) {
        if (stop.load(std::memory_order_relaxed)) {
            return false;
        }
        const bool wholeWindow = start + block <= reader.FrameCount();
        const std::uint64_t count = std::min<std::uint64_t>(block, reader.FrameCount() - start);
        if (reader.ReadFrames(static_cast<std::int32_t>(count), buffer.get()) != WAVE_OK) {
            return false;
        }
        const std::span<const FrameSlot> frames(buffer.get(), static_cast<std::size_t>(count));
        // The part of this block inside the range, column by column.
        const std::uint64_t from = std::max<std::uint64_t>(start, firstFrame);
        const std::uint64_t to = std::min<std::uint64_t>(start + count, endFrame);
        for (std::uint64_t at = from; at < to;) {
            const std::uint32_t column = scale.ColumnOf(at);
            const std::uint64_t columnEnd = std::min(scale.ColumnStart(column + 1), to);
            bool wasTouched = touched[column];
            FoldFrames(frames.subspan(static_cast<std::size_t>(at - start),
                                      static_cast<std::size_t>(columnEnd - at)),
                       overview.stereo, eightBit, overview.columns[column], wasTouched);
            touched[column] = wasTouched;
            at = columnEnd;
        }
        if (windowFrames != 0 && wholeWindow && to > from) {
            const std::uint32_t mean = judge.LevelsOf(frames).mean * levelScale;
            const std::uint32_t lastColumn = std::min(scale.ColumnOf(to - 1), scale.Columns() - 1);
            for (std::uint32_t column = scale.ColumnOf(from); column <= lastColumn; ++column) {
                overview.columns[column].windowMean =
                    std::max(overview.columns[column].windowMean, mean);
            }
        }
    }
    return true;
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
        return kNothingFoundText;
    }
    return SplitAnalyzer::FormatReport(plan, frameCount, sampleRate);
}

std::optional<SplitPlan> AnalyzeRecording(const SplitOptions& options, const std::string& inputFile,
                                          const std::function<bool()>& cancelled) {
    WaveStream reader;
    if (reader.OpenForRead(inputFile.c_str()) != WAVE_OK) {
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
      sampleRate(rate), listener(std::move(onResult)), worker([this] { Work(); }) {}

PlanReanalyzer::~PlanReanalyzer() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    worker.join();
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
    wake.notify_all();
    return generation;
}

void PlanReanalyzer::WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] { return (!pending && !busy) || stopping; });
}

void PlanReanalyzer::Work() {
    for (;;) {
        SplitOptions options;
        std::uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return pending.has_value() || stopping; });
            if (stopping) {
                idle.notify_all();
                return;
            }
            options = std::move(*pending);
            pending.reset();
            generation = pendingGeneration;
            busy = true;
        }
        const std::function<bool()> superseded = [this, generation] {
            return latest.load() != generation;
        };
        std::optional<SplitPlan> plan = AnalyzeRecording(options, inputFile, superseded);
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
        {
            std::lock_guard<std::mutex> lock(mutex);
            busy = false;
        }
        idle.notify_all();
    }
}
