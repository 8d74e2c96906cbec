// Micro-benchmarks of the loops that decide the splitter's speed: judging one
// analysis window (mean and maximum methods, all four sample formats) and
// copying one window from a recording into an output file.
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"
#include "WaveStream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

// 500 ms at 44.1 kHz: the default analysis window.
constexpr std::uint32_t kWindowFrames = 22050;
constexpr std::uint32_t kSampleRate = 44100;

struct Format {
    std::uint16_t bits;
    std::uint16_t channels;
};

Format FormatOf(const benchmark::State& state) {
    return {static_cast<std::uint16_t>(state.range(0)), static_cast<std::uint16_t>(state.range(1))};
}

// Low-level noise around the silence value, as in the pauses between tracks:
// the hardest case, since no early exit ends the window.
std::vector<FrameSlot> QuietWindow(Format format) {
    const int silence = SilenceSampleFor(format.bits);
    const int spread = format.bits == 8 ? 1 : 40;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-spread, spread);
    std::vector<FrameSlot> window(kWindowFrames);
    for (FrameSlot& frame : window) {
        frame.channel1 = static_cast<std::int16_t>(silence + noise(random));
        frame.channel2 = static_cast<std::int16_t>(silence + noise(random));
    }
    return window;
}

WindowJudge JudgeFor(Format format, bool useAverageMethod) {
    WindowJudge judge;
    judge.silenceSample = SilenceSampleFor(format.bits);
    judge.threshold = AmplitudeThreshold("0.20 %", format.bits);
    judge.stereo = format.channels == 2;
    judge.useAverageMethod = useAverageMethod;
    return judge;
}

void ClassifyWindow(benchmark::State& state, bool useAverageMethod) {
    const Format format = FormatOf(state);
    const std::vector<FrameSlot> window = QuietWindow(format);
    const WindowJudge judge = JudgeFor(format, useAverageMethod);
    for (auto _ : state) {
        benchmark::DoNotOptimize(judge.IsSilent(window));
    }
    state.SetItemsProcessed(state.iterations() * kWindowFrames);
    state.SetBytesProcessed(state.iterations() * kWindowFrames * format.channels * format.bits / 8);
}

void BM_ClassifyMean(benchmark::State& state) {
    ClassifyWindow(state, true);
}

void BM_ClassifyMaximum(benchmark::State& state) {
    ClassifyWindow(state, false);
}

std::string TempPath(const char* name, Format format) {
    return (std::filesystem::temp_directory_path() /
            ("quernfold-microbench-" + std::to_string(format.bits) + "-" +
             std::to_string(format.channels) + "-" + name + ".wav"))
        .string();
}

// Reads a window from a recording and appends it to an output file, as the
// segment writer does; the output is started afresh every so often so the
// benchmark does not fill the disk.
void BM_CopyWindow(benchmark::State& state) {
    const Format format = FormatOf(state);
    const std::string inputPath = TempPath("in", format);
    const std::string outputPath = TempPath("out", format);
    constexpr std::uint32_t kInputWindows = 64;
    constexpr std::uint32_t kWindowsPerOutput = 256;

    const std::vector<FrameSlot> quiet = QuietWindow(format);
    const std::size_t scratchBytes = static_cast<std::size_t>(kWindowFrames) * 4;
    std::vector<std::uint8_t> scratch(scratchBytes);
    {
        WaveStream input;
        if (input.OpenForWrite(inputPath.c_str(), kSampleRate, format.bits, format.channels) !=
            WAVE_OK) {
            state.SkipWithError("cannot create the input recording");
            return;
        }
        for (std::uint32_t i = 0; i < kInputWindows; ++i) {
            input.WriteFrames(quiet.data(), kWindowFrames, scratch.data());
        }
        input.Close();
    }

    WaveStream reader;
    WaveStream output;
    if (reader.OpenForRead(inputPath.c_str()) != WAVE_OK ||
        output.OpenForWrite(outputPath.c_str(), kSampleRate, format.bits, format.channels) !=
            WAVE_OK) {
        state.SkipWithError("cannot open the recordings");
        return;
    }
    std::vector<FrameSlot> frames(kWindowFrames);
    std::uint32_t windowsRead = 0;
    std::uint32_t windowsWritten = 0;
    for (auto _ : state) {
        if (windowsRead == kInputWindows) {
            reader.SeekToFrame(0);
            windowsRead = 0;
        }
        if (windowsWritten == kWindowsPerOutput) {
            state.PauseTiming();
            output.Close();
            output.OpenForWrite(outputPath.c_str(), kSampleRate, format.bits, format.channels);
            windowsWritten = 0;
            state.ResumeTiming();
        }
        if (reader.ReadFrames(kWindowFrames, frames.data()) != WAVE_OK ||
            output.WriteFrames(frames.data(), kWindowFrames, scratch.data()) != WAVE_OK) {
            state.SkipWithError("copy failed");
            break;
        }
        ++windowsRead;
        ++windowsWritten;
    }
    output.Close();
    reader.Close();
    std::remove(outputPath.c_str());
    std::remove(inputPath.c_str());
    state.SetBytesProcessed(state.iterations() * kWindowFrames * format.channels * format.bits / 8);
}

// Arguments: bits per sample, channels.
void AllFormats(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"bits", "channels"});
    for (int bits : {16, 8}) {
        for (int channels : {2, 1}) {
            benchmark->Args({bits, channels});
        }
    }
}

} // namespace

BENCHMARK(BM_ClassifyMean)->Apply(AllFormats);
BENCHMARK(BM_ClassifyMaximum)->Apply(AllFormats);
BENCHMARK(BM_CopyWindow)->Apply(AllFormats);
