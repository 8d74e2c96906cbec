// Micro-benchmarks of the loops that decide the splitter's speed: judging one
// analysis window (mean and maximum methods), reading one window into frame
// slots as the analysis does (where wider samples are reduced to 16 bits), and
// copying one window from a recording into an output file, for 8- and 16-bit
// mono and stereo, 24-bit stereo and 32-bit floating-point stereo.
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
    bool isFloat;

    WaveFormat File() const {
        WaveFormat format = PcmFormat(kSampleRate, bits, channels);
        if (isFloat) {
            format.formatTag = kFormatFloat;
            format.encodingTag = kFormatFloat;
        }
        return format;
    }
    // The bits of the values the analysis judges.
    std::uint16_t SlotBits() const { return ::SlotBits(File()); }
    std::size_t FrameBytes() const { return StoredFrameBytes(File()); }
};

Format FormatOf(const benchmark::State& state) {
    return {static_cast<std::uint16_t>(state.range(0)), static_cast<std::uint16_t>(state.range(1)),
            state.range(2) != 0};
}

// Low-level noise around the silence value, as in the pauses between tracks:
// the hardest case, since no early exit ends the window.
std::vector<FrameSlot> QuietWindow(Format format) {
    const int silence = SilenceSampleFor(format.SlotBits());
    const int spread = format.SlotBits() == 8 ? 1 : 40;
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
    judge.silenceSample = SilenceSampleFor(format.SlotBits());
    judge.threshold = AmplitudeThreshold("0.20 %", format.SlotBits());
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
    state.SetBytesProcessed(state.iterations() * kWindowFrames * format.FrameBytes());
}

void BM_ClassifyMean(benchmark::State& state) {
    ClassifyWindow(state, true);
}

void BM_ClassifyMaximum(benchmark::State& state) {
    ClassifyWindow(state, false);
}

std::string TempPath(const char* name, Format format) {
    return (std::filesystem::temp_directory_path() /
            ("quernfold-microbench-" + std::to_string(format.bits) + (format.isFloat ? "f-" : "-") +
             std::to_string(format.channels) + "-" + name + ".wav"))
        .string();
}

// A recording of `windows` quiet windows in `format`.
bool WriteQuietRecording(const std::string& path, Format format, std::uint32_t windows,
                         std::vector<std::uint8_t>& scratch) {
    const std::vector<FrameSlot> quiet = QuietWindow(format);
    WaveStream output;
    if (output.OpenForWrite(path.c_str(), format.File()) != WAVE_OK) {
        return false;
    }
    for (std::uint32_t i = 0; i < windows; ++i) {
        if (output.WriteFrames(quiet.data(), kWindowFrames, scratch.data()) != WAVE_OK) {
            return false;
        }
    }
    return output.Close() == WAVE_OK;
}

// Reads a window from a recording and appends it to an output file as stored,
// as the segment writer does; the output is started afresh every so often so the
// benchmark does not fill the disk.
void BM_CopyWindow(benchmark::State& state) {
    const Format format = FormatOf(state);
    const std::string inputPath = TempPath("in", format);
    const std::string outputPath = TempPath("out", format);
    constexpr std::uint32_t kInputWindows = 64;
    constexpr std::uint32_t kWindowsPerOutput = 256;

    const std::size_t scratchBytes = static_cast<std::size_t>(kWindowFrames) * format.FrameBytes();
    std::vector<std::uint8_t> scratch(scratchBytes);
    if (!WriteQuietRecording(inputPath, format, kInputWindows, scratch)) {
        state.SkipWithError("cannot create the input recording");
        return;
    }

    WaveStream reader;
    WaveStream output;
    if (reader.OpenForRead(inputPath.c_str()) != WAVE_OK ||
        output.OpenForWrite(outputPath.c_str(), format.File()) != WAVE_OK) {
        state.SkipWithError("cannot open the recordings");
        return;
    }
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
            output.OpenForWrite(outputPath.c_str(), format.File());
            windowsWritten = 0;
            state.ResumeTiming();
        }
        if (reader.ReadFrameBytes(kWindowFrames, scratch.data()) != WAVE_OK ||
            output.WriteFrameBytes(scratch.data(), kWindowFrames) != WAVE_OK) {
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
    state.SetBytesProcessed(state.iterations() * kWindowFrames * format.FrameBytes());
}

// Reads windows into frame slots as the analysis does, from a recording that
// stays in the page cache.
void BM_ReadWindow(benchmark::State& state) {
    const Format format = FormatOf(state);
    const std::string inputPath = TempPath("read", format);
    constexpr std::uint32_t kInputWindows = 64;
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(kWindowFrames) *
                                      format.FrameBytes());
    if (!WriteQuietRecording(inputPath, format, kInputWindows, scratch)) {
        state.SkipWithError("cannot create the input recording");
        return;
    }
    WaveStream reader;
    if (reader.OpenForRead(inputPath.c_str()) != WAVE_OK) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    std::vector<FrameSlot> frames(kWindowFrames);
    std::uint32_t windowsRead = 0;
    for (auto _ : state) {
        if (windowsRead == kInputWindows) {
            reader.SeekToFrame(0);
            windowsRead = 0;
        }
        if (reader.ReadFrames(kWindowFrames, frames.data()) != WAVE_OK) {
            state.SkipWithError("read failed");
            break;
        }
        ++windowsRead;
        benchmark::DoNotOptimize(frames.data());
    }
    reader.Close();
    std::remove(inputPath.c_str());
    state.SetBytesProcessed(state.iterations() * kWindowFrames * format.FrameBytes());
}

// Arguments: bits per sample, channels, floating point.
void AllFormats(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"bits", "channels", "float"});
    for (int bits : {16, 8}) {
        for (int channels : {2, 1}) {
            benchmark->Args({bits, channels, 0});
        }
    }
    benchmark->Args({24, 2, 0});
    benchmark->Args({32, 2, 1});
}

} // namespace

BENCHMARK(BM_ClassifyMean)->Apply(AllFormats);
BENCHMARK(BM_ClassifyMaximum)->Apply(AllFormats);
BENCHMARK(BM_ReadWindow)->Apply(AllFormats);
BENCHMARK(BM_CopyWindow)->Apply(AllFormats);
