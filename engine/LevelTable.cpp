#include "LevelTable.h"

#include "SplitAnalyzer.h"
#include "SplitHost.h"
#include "SplitQuantities.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>

std::uint32_t LevelTable::MeanOf(std::size_t window) const {
    const WindowLevel& level = windows[window];
    return stereo ? std::max(level.mean[0], level.mean[1]) : level.mean[0];
}

std::uint32_t LevelTable::PeakOf(std::size_t window) const {
    const WindowLevel& level = windows[window];
    std::uint32_t peak = 0;
    for (int channel = 0; channel < (stereo ? 2 : 1); ++channel) {
        peak = std::max(
            {peak, static_cast<std::uint32_t>(std::abs(level.low[channel] - silenceSample)),
             static_cast<std::uint32_t>(std::abs(level.high[channel] - silenceSample))});
    }
    return peak;
}

namespace {

// Blocks an eighth of a window long or a little shorter: a window's edges then
// cut at most a quarter of it, so few windows need reading to be judged exactly.
std::uint32_t FinestBlockFrames(std::uint32_t windowFrames) {
    for (std::uint32_t parts = 8; parts <= 16; ++parts) {
        if (windowFrames % parts == 0 && windowFrames / parts != 0) {
            return windowFrames / parts;
        }
    }
    for (std::uint32_t parts = 7; parts > 1; --parts) {
        if (windowFrames % parts == 0 && windowFrames / parts != 0) {
            return windowFrames / parts;
        }
    }
    return std::max<std::uint32_t>(1, windowFrames);
}

std::uint64_t BlockCount(std::uint32_t frameCount, std::uint32_t blockFrames) {
    return (std::uint64_t{frameCount} + blockFrames - 1) / blockFrames;
}

} // namespace

std::uint32_t LevelBlockFrames(std::uint32_t windowFrames, std::uint32_t frameCount) {
    std::uint32_t block = FinestBlockFrames(windowFrames);
    for (std::uint32_t parts = windowFrames / block;
         parts > 1 && BlockCount(frameCount, block) > kMaxLevelWindows;) {
        --parts;
        if (windowFrames % parts == 0) {
            block = windowFrames / parts;
        }
    }
    return block;
}

LevelTable CombinedLevels(const LevelTable& blocks, std::uint32_t factor) {
    LevelTable table;
    factor = std::max<std::uint32_t>(1, factor);
    table.windowFrames = blocks.windowFrames * factor;
    table.silenceSample = blocks.silenceSample;
    table.stereo = blocks.stereo;
    table.windows.reserve((blocks.windows.size() + factor - 1) / factor);
    for (std::size_t first = 0; first < blocks.windows.size(); first += factor) {
        const std::size_t end = std::min(blocks.windows.size(), first + factor);
        WindowLevel window = blocks.windows[first];
        for (std::size_t b = first + 1; b < end; ++b) {
            const WindowLevel& block = blocks.windows[b];
            for (int channel = 0; channel < 2; ++channel) {
                window.low[channel] = std::min(window.low[channel], block.low[channel]);
                window.high[channel] = std::max(window.high[channel], block.high[channel]);
                window.sum[channel] += block.sum[channel];
            }
            window.frames += block.frames;
        }
        for (int channel = 0; channel < 2; ++channel) {
            window.mean[channel] =
                window.frames != 0 ? static_cast<std::uint32_t>(window.sum[channel] / window.frames)
                                   : 0;
        }
        table.windows.push_back(window);
    }
    return table;
}

bool MeasureLevels(WaveStream& reader, std::uint32_t windowFrames, const std::atomic<bool>& stop,
                   LevelTable& table) {
    table = LevelTable();
    table.windowFrames = windowFrames;
    table.silenceSample = SilenceSampleFor(reader.SlotBits());
    table.stereo = reader.Channels() == 2;
    if (windowFrames == 0 || windowFrames > INT32_MAX) {
        return false;
    }
    const std::uint32_t frameCount = reader.FrameCount();
    if (BlockCount(frameCount, windowFrames) > kMaxLevelWindows) {
        return false;
    }
    const auto count = static_cast<std::uint32_t>(BlockCount(frameCount, windowFrames));
    // Several windows per read when they are short, so the reads stay few.
    const std::uint32_t perRead = std::max<std::uint32_t>(1, 65536 / windowFrames);
    const std::size_t readFrames = std::size_t{perRead} * windowFrames;
    std::unique_ptr<FrameSlot[]> frames(new (std::nothrow) FrameSlot[readFrames]);
    try {
        table.windows.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!frames || reader.SeekToFrame(0) != WAVE_OK) {
        return false;
    }
    const std::int16_t silence = table.silenceSample;
    std::fill(frames.get(), frames.get() + readFrames, FrameSlot{silence, silence});
    for (std::uint32_t first = 0; first < count; first += perRead) {
        if (stop.load(std::memory_order_relaxed)) {
            return false;
        }
        const std::uint32_t windows = std::min(perRead, count - first);
        const std::uint64_t firstFrame = std::uint64_t{first} * windowFrames;
        const auto toRead = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            std::uint64_t{windows} * windowFrames, frameCount - firstFrame));
        if (reader.ReadFrames(static_cast<std::int32_t>(toRead), frames.get()) != WAVE_OK) {
            return false;
        }
        for (std::uint32_t w = 0; w < windows; ++w) {
            const FrameSlot* slot = frames.get() + std::size_t{w} * windowFrames;
            const std::uint32_t length =
                std::min<std::uint32_t>(windowFrames, toRead - w * windowFrames);
            std::int16_t low1 = INT16_MAX, high1 = INT16_MIN, low2 = INT16_MAX, high2 = INT16_MIN;
            std::uint64_t sum1 = 0, sum2 = 0;
            // 32-bit partial sums over blocks that cannot wrap, so the loop vectorises.
            for (std::uint32_t start = 0; start < length; start += 65536) {
                const std::uint32_t end = std::min(length, start + 65536);
                std::uint32_t block1 = 0, block2 = 0;
                for (std::uint32_t i = start; i < end; ++i) {
                    const std::int16_t v1 = slot[i].channel1;
                    const std::int16_t v2 = slot[i].channel2;
                    low1 = std::min(low1, v1);
                    high1 = std::max(high1, v1);
                    low2 = std::min(low2, v2);
                    high2 = std::max(high2, v2);
                    block1 += static_cast<std::uint32_t>(std::abs(v1 - silence));
                    block2 += static_cast<std::uint32_t>(std::abs(v2 - silence));
                }
                sum1 += block1;
                sum2 += block2;
            }
            WindowLevel& level = table.windows[first + w];
            level.low[0] = low1;
            level.high[0] = high1;
            level.low[1] = low2;
            level.high[1] = high2;
            level.sum[0] = sum1;
            level.sum[1] = sum2;
            level.frames = length;
            level.mean[0] = static_cast<std::uint32_t>(sum1 / length);
            level.mean[1] = static_cast<std::uint32_t>(sum2 / length);
        }
    }
    return true;
}

namespace {

// Windows judged from the table's blocks where they settle the question, and
// read exactly where they do not.
class TableWindows : public WindowSource {
public:
    TableWindows(const LevelTable& table, WaveStream& reader, const WindowJudge& judge,
                 std::span<FrameSlot> frames, std::uint64_t& framesRead)
        : table(table), reader(reader), judge(judge), frames(frames), framesRead(framesRead) {}

    bool failed = false;

    bool Seek(std::uint64_t frame) override { return frame < reader.FrameCount(); }
    bool Read(std::uint64_t at) override {
        if (failed || at + frames.size() > reader.FrameCount()) {
            return false;
        }
        start = at;
        loaded = false;
        return true;
    }
    bool IsSilent() override {
        const Verdict verdict =
            judge.useAverageMethod
                ? AllChannels([&](int c) { return SumBelow(c, judge.threshold); })
                : PeakAtMost(judge.threshold);
        if (verdict != Verdict::Unknown) {
            return verdict == Verdict::Yes;
        }
        return Exact() && judge.IsSilent(frames);
    }
    bool HasSound() override {
        if (!judge.useAverageMethod) {
            const Verdict quiet = PeakAtMost(judge.threshold);
            if (quiet != Verdict::Unknown) {
                return quiet == Verdict::No;
            }
        } else {
            // mean > T, that is sum >= (T + 1) * w, on every channel.
            const Verdict verdict = AllChannels(
                [&](int c) { return Not(SumBelow(c, std::uint32_t{judge.threshold} + 1)); });
            if (verdict != Verdict::Unknown) {
                return verdict == Verdict::Yes;
            }
        }
        return Exact() && judge.HasSound(frames);
    }
    std::span<const FrameSlot> Frames() override {
        return Exact() ? std::span<const FrameSlot>(frames) : std::span<const FrameSlot>();
    }

private:
    enum class Verdict { No, Yes, Unknown };
    static Verdict Not(Verdict v) {
        return v == Verdict::Unknown ? v : (v == Verdict::Yes ? Verdict::No : Verdict::Yes);
    }
    template <typename PerChannel> Verdict AllChannels(PerChannel perChannel) const {
        Verdict all = Verdict::Yes;
        for (int channel = 0; channel < (judge.stereo ? 2 : 1); ++channel) {
            const Verdict one = perChannel(channel);
            if (one == Verdict::No) {
                return Verdict::No;
            }
            if (one == Verdict::Unknown) {
                all = Verdict::Unknown;
            }
        }
        return all;
    }
    // The blocks the window [start, start + w) overlaps, and which lie wholly inside.
    template <typename Visit> void Blocks(Visit visit) const {
        const std::uint64_t block = table.windowFrames;
        const std::uint64_t end = start + frames.size();
        for (std::uint64_t b = start / block; b * block < end; ++b) {
            const std::uint64_t first = b * block;
            visit(static_cast<std::size_t>(b), first >= start && first + block <= end);
        }
    }
    // Whether the channel's magnitude sum over the window is below level * w.
    Verdict SumBelow(int channel, std::uint32_t level) const {
        std::uint64_t inside = 0;
        std::uint64_t touched = 0;
        Blocks([&](std::size_t b, bool whole) {
            touched += table.windows[b].sum[channel];
            inside += whole ? table.windows[b].sum[channel] : 0;
        });
        const std::uint64_t limit = std::uint64_t{level} * frames.size();
        if (touched < limit) {
            return Verdict::Yes;
        }
        return inside >= limit ? Verdict::No : Verdict::Unknown;
    }
    // Whether no sample of the window has a magnitude above `level`.
    Verdict PeakAtMost(std::uint32_t level) const {
        std::uint32_t inside = 0;
        std::uint32_t touched = 0;
        Blocks([&](std::size_t b, bool whole) {
            const std::uint32_t peak = table.PeakOf(b);
            touched = std::max(touched, peak);
            inside = whole ? std::max(inside, peak) : inside;
        });
        if (touched <= level) {
            return Verdict::Yes;
        }
        return inside > level ? Verdict::No : Verdict::Unknown;
    }
    bool Exact() {
        if (!loaded && !failed) {
            if (reader.SeekToFrame(static_cast<std::uint32_t>(start)) != WAVE_OK ||
                reader.ReadFrames(static_cast<std::int32_t>(frames.size()), frames.data()) !=
                    WAVE_OK) {
                failed = true;
                return false;
            }
            framesRead += frames.size();
            loaded = true;
        }
        return loaded;
    }

    const LevelTable& table;
    WaveStream& reader;
    const WindowJudge& judge;
    std::span<FrameSlot> frames;
    std::uint64_t& framesRead;
    std::uint64_t start = 0;
    bool loaded = false;
};

} // namespace

std::optional<SplitPlan> PlanFromLevels(const LevelTable& table, WaveStream& reader,
                                        const SplitOptions& options, std::uint64_t& framesRead) {
    const std::uint64_t window =
        FramesForMilliseconds(reader.SampleRate(), options.silenceLengthMs);
    if (window == 0 || window > reader.FrameCount() || table.windowFrames == 0 ||
        table.windows.size() !=
            (std::uint64_t{reader.FrameCount()} + table.windowFrames - 1) / table.windowFrames) {
        return std::nullopt;
    }
    std::unique_ptr<FrameSlot[]> frames(new (std::nothrow) FrameSlot[window]());
    if (!frames) {
        return std::nullopt;
    }
    const WindowJudge judge = SplitAnalyzer::JudgeFor(options, reader);
    TableWindows source(table, reader, judge,
                        std::span<FrameSlot>(frames.get(), static_cast<std::size_t>(window)),
                        framesRead);
    SilentProgress progress;
    SplitPlan plan;
    if (SplitAnalyzer::AnalyzeWindows(options, source, judge, reader.FrameCount(),
                                      reader.SampleRate(), static_cast<std::uint32_t>(window),
                                      progress, plan) != SplitAnalyzer::Result::Complete ||
        source.failed) {
        return std::nullopt;
    }
    return plan;
}
