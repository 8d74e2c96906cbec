#include "LevelTable.h"

#include "SplitQuantities.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

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

bool MeasureLevels(WaveStream& reader, std::uint32_t windowFrames, const std::atomic<bool>& stop,
                   LevelTable& table) {
    table = LevelTable();
    table.windowFrames = windowFrames;
    table.silenceSample = SilenceSampleFor(reader.SlotBits());
    table.stereo = reader.Channels() == 2;
    if (windowFrames == 0 || windowFrames > INT32_MAX) {
        return false;
    }
    const std::uint32_t count = reader.FrameCount() / windowFrames;
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
        if (reader.ReadFrames(static_cast<std::int32_t>(windows * windowFrames), frames.get()) !=
            WAVE_OK) {
            return false;
        }
        for (std::uint32_t w = 0; w < windows; ++w) {
            const FrameSlot* slot = frames.get() + std::size_t{w} * windowFrames;
            std::int16_t low1 = INT16_MAX, high1 = INT16_MIN, low2 = INT16_MAX, high2 = INT16_MIN;
            std::uint64_t sum1 = 0, sum2 = 0;
            // 32-bit partial sums over blocks that cannot wrap, so the loop vectorises.
            for (std::uint32_t start = 0; start < windowFrames; start += 65536) {
                const std::uint32_t end = std::min(windowFrames, start + 65536);
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
            level.mean[0] = static_cast<std::uint32_t>(sum1 / windowFrames);
            level.mean[1] = static_cast<std::uint32_t>(sum2 / windowFrames);
        }
    }
    return true;
}
