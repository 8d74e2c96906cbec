// The threshold suggestion next to the analysis of a dry run, on the benchmark
// recording (10 minutes, 15 tracks, 44.1 kHz, from the demo generator) in all four
// formats. The suggestion reads every window; the analysis skips the minimum
// track length after each split, so it reads less.
#include "RecordingGenerator.h"
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"
#include "ThresholdSuggestion.h"
#include "WaveStream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The recording of one format, generated on first use and removed at exit.
class BenchRecording {
public:
    BenchRecording(std::uint16_t bits, std::uint16_t channels) {
        RecordingSettings settings;
        settings.bitsPerSample = bits;
        settings.channels = channels;
        settings.trackCount = 15;
        settings.totalSeconds = 600;
        path = (std::filesystem::temp_directory_path() /
                ("quernfold-suggestion-bench-" + std::to_string(bits) + "-" +
                 std::to_string(channels) + ".wav"))
                   .string();
        std::string error;
        RecordingGenerator generator(settings, LayOutRecording(settings, error));
        WaveStream output;
        output.OpenForWrite(path.c_str(), settings.sampleRate, bits, channels);
        std::vector<FrameSlot> frames(1 << 16);
        std::vector<std::uint8_t> scratch(frames.size() * 4);
        while (std::uint32_t rendered = generator.Render(frames.data(), 1 << 16)) {
            output.WriteFrames(frames.data(), rendered, scratch.data());
        }
        output.Close();
    }
    ~BenchRecording() { std::remove(path.c_str()); }
    BenchRecording(const BenchRecording&) = delete;
    BenchRecording& operator=(const BenchRecording&) = delete;

    std::string path;
};

const BenchRecording& RecordingFor(const benchmark::State& state) {
    static BenchRecording recordings[2][2] = {{{8, 1}, {8, 2}}, {{16, 1}, {16, 2}}};
    return recordings[state.range(0) == 16 ? 1 : 0][state.range(1) == 2 ? 1 : 0];
}

void SetBytes(benchmark::State& state, const WaveStream& reader) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reader.DataChunkSize()));
}

// The analysis of `quernfold-split --dry-run` with the default options.
void BM_DryRunAnalysis(benchmark::State& state) {
    const BenchRecording& recording = RecordingFor(state);
    SplitOptions options;
    SilentProgress progress;
    WaveStream reader;
    for (auto _ : state) {
        reader.OpenForRead(recording.path.c_str());
        std::vector<FrameSlot> frames(FramesForMilliseconds(reader.SampleRate(), 500));
        SplitPlan plan;
        SplitAnalyzer::Analyze(options, reader, progress, frames, plan);
        benchmark::DoNotOptimize(plan.splitPoints.data());
        reader.Close();
    }
    reader.OpenForRead(recording.path.c_str());
    SetBytes(state, reader);
}

void BM_SuggestThreshold(benchmark::State& state) {
    const BenchRecording& recording = RecordingFor(state);
    SilentProgress progress;
    WaveStream reader;
    for (auto _ : state) {
        reader.OpenForRead(recording.path.c_str());
        const ThresholdSuggestion suggestion = SuggestThreshold(reader, 500, false, progress);
        if (suggestion.outcome != ThresholdSuggestion::Outcome::Suggested) {
            state.SkipWithError("no suggestion");
            break;
        }
        reader.Close();
    }
    reader.OpenForRead(recording.path.c_str());
    SetBytes(state, reader);
}

void AllFormats(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"bits", "channels"})->Unit(benchmark::kMillisecond);
    for (int bits : {16, 8}) {
        for (int channels : {2, 1}) {
            benchmark->Args({bits, channels});
        }
    }
}

} // namespace

BENCHMARK(BM_DryRunAnalysis)->Apply(AllFormats);
BENCHMARK(BM_SuggestThreshold)->Apply(AllFormats);
