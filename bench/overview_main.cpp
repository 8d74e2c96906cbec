// Reads a recording's overview as the review window does (900 columns, 500 ms
// windows for the means) and prints a checksum, so the benchmark driver can time
// it beside cat on the same file.
#include "PlanReview.h"
#include "SplitQuantities.h"
#include "WaveStream.h"

#include <atomic>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quernfold-overview RECORDING.wav\n");
        return 2;
    }
    WaveStream reader;
    if (reader.OpenForRead(argv[1]) != WAVE_OK) {
        std::fprintf(stderr, "quernfold-overview: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::atomic<bool> never{false};
    WaveOverview overview;
    const auto window = static_cast<std::uint32_t>(FramesForMilliseconds(reader.SampleRate(), 500));
    if (!ReadOverview(reader, 0, reader.FrameCount(), 900, window, never, overview)) {
        std::fprintf(stderr, "quernfold-overview: the read failed\n");
        return 1;
    }
    long long sum = 0;
    for (const OverviewColumn& column : overview.columns) {
        sum += column.high[0] - column.low[0] + column.high[1] - column.low[1] + column.windowMean;
    }
    std::printf("%lld\n", sum);
    return 0;
}
