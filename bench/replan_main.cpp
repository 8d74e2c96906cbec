// Re-planning from the table of block levels on a long recording: the time to
// measure the table once (a full read, as opening the review does), and then
// the time and the frames read for each new threshold or method, beside a fresh
// analysis of the same options. Run on a recording given as the argument, with
// the cache warm: quernfold-replan RECORDING.wav
#include "LevelTable.h"
#include "PlanReview.h"
#include "SplitQuantities.h"

#include <chrono>
#include <cstdio>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: quernfold-replan RECORDING.wav\n");
        return 2;
    }
    WaveStream reader;
    if (reader.OpenForRead(argv[1]) != WAVE_OK) {
        std::fprintf(stderr, "quernfold-replan: cannot open %s\n", argv[1]);
        return 1;
    }
    SplitOptions options;
    options.inputPath = argv[1];
    options.trimSilence = true;
    const std::uint64_t window =
        FramesForMilliseconds(reader.SampleRate(), options.silenceLengthMs);
    const std::atomic<bool> never{false};
    LevelTable table;
    auto start = std::chrono::steady_clock::now();
    if (!MeasureLevels(reader, LevelBlockFrames(static_cast<std::uint32_t>(window)), never,
                       table)) {
        std::fprintf(stderr, "quernfold-replan: cannot read %s\n", argv[1]);
        return 1;
    }
    std::printf("frames %u, table of %zu blocks (%zu KiB) measured in %.3f s\n",
                reader.FrameCount(), table.windows.size(),
                table.windows.size() * sizeof(WindowLevel) / 1024, SecondsSince(start));
    std::printf("%-8s %-8s %10s %12s %14s %10s\n", "method", "threshold", "table ms", "read frames",
                "read share %", "fresh ms");
    for (const bool average : {false, true}) {
        for (const char* threshold : {"0.10 %", "0.20 %", "0.50 %", "1.00 %", "3.00 %"}) {
            options.useAverageMethod = average;
            options.thresholdText = threshold;
            std::uint64_t framesRead = 0;
            start = std::chrono::steady_clock::now();
            const std::optional<SplitPlan> fromTable =
                PlanFromLevels(table, reader, options, framesRead);
            const double tableMs = SecondsSince(start) * 1000;
            start = std::chrono::steady_clock::now();
            const std::optional<SplitPlan> fresh = AnalyzeRecording(options, argv[1], {});
            const double freshMs = SecondsSince(start) * 1000;
            const bool same = fromTable && fresh && fromTable->splitPoints == fresh->splitPoints &&
                              fromTable->leadTrimFrame == fresh->leadTrimFrame &&
                              fromTable->tailEndFrame == fresh->tailEndFrame;
            std::printf("%-8s %-8s %10.1f %12llu %14.3f %10.1f %s\n",
                        average ? "average" : "maximum", threshold, tableMs,
                        static_cast<unsigned long long>(framesRead),
                        100.0 * static_cast<double>(framesRead) / reader.FrameCount(), freshMs,
                        same ? "" : "DIFFERENT PLANS");
        }
    }
    return 0;
}
