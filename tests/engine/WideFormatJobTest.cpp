// A 24-bit, 32-bit or floating-point recording is analysed as the 16-bit file its
// samples reduce to: the same plan, the same report. Its files hold its own
// bytes, in its own format, and join up to its data.
#include "JobFixture.h"
#include "LevelTable.h"
#include "PlanReview.h"
#include "SndfileOracle.h"

#include <cmath>
#include <cstring>
#include <random>
#include <sndfile.h>
#include <tuple>

using testing_support::BytesPerSample;
using testing_support::WideContainer;
using testing_support::WideType;

namespace {

using WideJobParam = std::tuple<WideType, int, bool>; // type, channels, average method

// The recording's samples widened, with up to two 16-bit steps of noise in the
// low bits so that the reduction, not a plain shift back, decides every value.
std::vector<std::uint8_t> Widen(const Recording& recording, WideType type) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> jitter(-2.0, 2.0);
    const auto bytes = static_cast<std::size_t>(BytesPerSample(type));
    std::vector<std::uint8_t> stored(recording.samples.size() * bytes);
    for (std::size_t i = 0; i < recording.samples.size(); ++i) {
        const double value = (recording.samples[i] + jitter(random)) / 32768.0;
        std::uint8_t* out = stored.data() + i * bytes;
        if (type == WideType::Float) {
            const auto single = static_cast<float>(value);
            std::memcpy(out, &single, sizeof single);
        } else if (type == WideType::Double) {
            std::memcpy(out, &value, sizeof value);
        } else {
            const double scale = type == WideType::Pcm24 ? 8388608.0 : 2147483648.0;
            const auto integer =
                static_cast<std::int32_t>(std::clamp(std::floor(value * scale), -scale, scale - 1));
            std::memcpy(out, &integer, bytes); // the low bytes of a little-endian value
        }
    }
    return stored;
}

class WideFormatJob : public JobTest, public testing::WithParamInterface<WideJobParam> {};

TEST_P(WideFormatJob, CutsAndReportsAsTheReducedSixteenBitFileAndKeepsItsBytes) {
    const auto [type, channels, average] = GetParam();
    Recording shape(1000, channels, 16);
    shape.Silence(150).Tracks(4, kTrack, kPause).Silence(250);
    const std::vector<std::uint8_t> stored = Widen(shape, type);
    const auto container = channels == 2 ? WideContainer::Extensible : WideContainer::Plain;
    testing_support::WriteStoredWithSndfile(inputPath, 1000, channels, type, container, stored);

    // The 16-bit file the reduction makes, built here from the stored samples.
    Recording reduced(1000, channels, 16);
    const auto sampleBytes = static_cast<std::size_t>(BytesPerSample(type));
    for (std::size_t at = 0; at < stored.size(); at += sampleBytes) {
        reduced.samples.push_back(testing_support::ReducedSample(type, stored.data() + at));
    }
    const std::string reducedPath = temp.file("reduced.wav");
    reduced.Write(reducedPath);

    SplitOptions options = Options();
    options.trimSilence = true;
    options.useAverageMethod = average;
    options.appendSilenceMs = 30;
    options.thresholdText = "1.00 %";
    FakeHost reducedHost;
    SplitOptions reducedOptions = options;
    reducedOptions.inputPath = reducedPath;
    reducedOptions.fileNamePrefix = "Reduced";
    ASSERT_EQ(RunSplitJob(reducedOptions, reducedHost), SplitOutcome::Written);
    FakeHost host;
    ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);

    ASSERT_TRUE(host.plan.has_value() && reducedHost.plan.has_value());
    EXPECT_EQ(host.plan->splitPoints, reducedHost.plan->splitPoints);
    EXPECT_EQ(host.plan->leadTrimFrame, reducedHost.plan->leadTrimFrame);
    EXPECT_EQ(host.plan->tailEndFrame, reducedHost.plan->tailEndFrame);
    EXPECT_EQ(host.plan->silenceSample, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    ASSERT_EQ(reducedHost.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, reducedHost.messages[0].text);
    EXPECT_EQ(host.plan->splitPoints.size(), 3u);

    // Each file: the input's bytes for its span, then zero silence, in the input's
    // format; the spans join up without gap or overlap.
    const std::vector<SegmentSpan> spans = LayOutSegments(*host.plan, shape.Frames());
    const std::vector<std::string> names = Names("Track", host.plan->segmentCount);
    const std::size_t frameBytes = sampleBytes * static_cast<std::size_t>(channels);
    for (std::size_t s = 0; s < spans.size(); ++s) {
        SCOPED_TRACE(names[s]);
        if (s > 0) {
            EXPECT_EQ(spans[s].firstFrame, spans[s - 1].endFrame);
        }
        const testing_support::SndfileView view = testing_support::ReadWithSndfile(names[s]);
        ASSERT_TRUE(view.opened);
        EXPECT_EQ(view.container, channels == 2 ? SF_FORMAT_WAVEX : SF_FORMAT_WAV);
        const std::size_t silence = spans[s].appendSilence ? 30 : 0;
        std::vector<std::uint8_t> expected(stored.begin() + spans[s].firstFrame * frameBytes,
                                           stored.begin() + spans[s].endFrame * frameBytes);
        expected.resize(expected.size() + silence * frameBytes, 0);
        EXPECT_TRUE(view.rawData == expected);
    }
}

std::string WideJobName(const testing::TestParamInfo<WideJobParam>& info) {
    const char* types[] = {"Pcm24", "Pcm32", "Float", "Double"};
    return std::string(types[static_cast<int>(std::get<0>(info.param))]) +
           std::to_string(std::get<1>(info.param)) + "ch" +
           (std::get<2>(info.param) ? "Average" : "Maximum");
}

INSTANTIATE_TEST_SUITE_P(AllWideFormats, WideFormatJob,
                         testing::Combine(testing::Values(WideType::Pcm24, WideType::Pcm32,
                                                          WideType::Float, WideType::Double),
                                          testing::Values(1, 2), testing::Bool()),
                         WideJobName);

// The overview of a wide recording shows the values the analysis judges: per
// column the extremes of the reduced samples, and the means of the analysis
// windows that reach into it, checked by brute force on full-range samples with
// infinities and NaN among them.
TEST(WideOverviewTest, ColumnsHoldTheReducedSamplesOfEveryWideFormat) {
    testing_support::TempDir temp;
    constexpr std::uint32_t kFrames = 3000;
    constexpr std::uint32_t kWindow = 100;
    for (const WideType type :
         {WideType::Pcm24, WideType::Pcm32, WideType::Float, WideType::Double}) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(type) << " " << channels);
            const auto bytes = static_cast<std::size_t>(BytesPerSample(type));
            const std::vector<std::uint8_t> stored =
                testing_support::WideSamples(type, std::size_t{kFrames} * channels, 5);
            const std::string path = temp.file("wide-overview.wav");
            testing_support::WriteStoredWithSndfile(path, 1000, channels, type,
                                                    WideContainer::Plain, stored);
            std::vector<int> reduced;
            for (std::size_t at = 0; at < stored.size(); at += bytes) {
                reduced.push_back(testing_support::ReducedSample(type, stored.data() + at));
            }
            const auto value = [&](std::uint64_t frame, int channel) {
                return reduced[frame * static_cast<std::size_t>(channels) + channel];
            };
            WaveStream reader;
            ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
            const std::atomic<bool> never{false};
            struct Range {
                std::uint32_t first, end, columns;
            };
            for (const Range range : {Range{0, kFrames, 97}, Range{1234, 1987, 500}}) {
                WaveOverview overview;
                ASSERT_TRUE(ReadOverview(reader, range.first, range.end, range.columns, kWindow,
                                         never, overview));
                const FrameScale scale(range.first, range.end, range.columns);
                for (std::uint32_t column = 0; column < range.columns; ++column) {
                    const std::uint64_t begin = scale.ColumnStart(column);
                    const std::uint64_t end = scale.ColumnStart(column + 1);
                    if (begin == end) {
                        continue;
                    }
                    std::uint32_t windowMean = 0;
                    for (std::uint64_t start = begin - begin % kWindow; start < end;
                         start += kWindow) {
                        std::uint64_t sum[2] = {0, 0};
                        for (std::uint64_t frame = start; frame < start + kWindow; ++frame) {
                            for (int channel = 0; channel < channels; ++channel) {
                                sum[channel] +=
                                    static_cast<std::uint64_t>(std::abs(value(frame, channel)));
                            }
                        }
                        windowMean = std::max(windowMean, static_cast<std::uint32_t>(
                                                              std::max(sum[0], sum[1]) / kWindow));
                    }
                    EXPECT_EQ(overview.columns[column].windowMean, windowMean) << column;
                    for (int channel = 0; channel < channels; ++channel) {
                        int low = INT32_MAX, high = INT32_MIN;
                        for (std::uint64_t frame = begin; frame < end; ++frame) {
                            low = std::min(low, value(frame, channel));
                            high = std::max(high, value(frame, channel));
                        }
                        EXPECT_EQ(overview.columns[column].low[channel], low) << column;
                        EXPECT_EQ(overview.columns[column].high[channel], high) << column;
                    }
                }
            }
        }
    }
}

// The overview built from the level table alone equals the one read from the
// file on every sample width where the columns start on the table's blocks, and
// elsewhere never shows less than the samples reach.
TEST(WideOverviewTest, TheLevelTablesOverviewEqualsTheReadOneOnEveryWidth) {
    testing_support::TempDir temp;
    constexpr std::uint32_t kFrames = 2900; // a partial last block and window
    constexpr std::uint32_t kWindow = 96;   // blocks of 12 frames
    const std::string path = temp.file("table-overview.wav");
    const std::atomic<bool> never{false};
    for (const int format : {8, 16, 24, 32, -32, -64}) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << format << " " << channels);
            if (format == 8 || format == 16) {
                Recording recording(1000, channels, format);
                recording.Sound(700).Silence(500).Sound(900, true, false).Silence(300).Sound(500);
                recording.Write(path);
            } else {
                const WideType type = format == 24    ? WideType::Pcm24
                                      : format == 32  ? WideType::Pcm32
                                      : format == -32 ? WideType::Float
                                                      : WideType::Double;
                testing_support::WriteStoredWithSndfile(
                    path, 1000, channels, type, WideContainer::Plain,
                    testing_support::WideSamples(type, std::size_t{kFrames} * channels, 7));
            }
            WaveStream reader;
            ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
            LevelTable table;
            ASSERT_TRUE(MeasureLevels(reader, LevelBlockFrames(kWindow), never, table));
            ASSERT_EQ(table.windowFrames, 12u);
            struct Range {
                std::uint32_t first, end, columns;
                bool aligned;
            };
            for (const Range r : {Range{0, 2880, 60, true}, Range{480, 1440, 20, true},
                                  Range{0, kFrames, 1, true}, Range{1234, 1987, 500, false}}) {
                WaveOverview read;
                ASSERT_TRUE(ReadOverview(reader, r.first, r.end, r.columns, kWindow, never, read));
                const WaveOverview built =
                    OverviewFromLevels(table, 1000, r.first, r.end, r.columns, kWindow);
                ASSERT_EQ(built.columns.size(), read.columns.size());
                EXPECT_EQ(built.stereo, read.stereo);
                for (std::size_t c = 0; c < read.columns.size(); ++c) {
                    const OverviewColumn& a = built.columns[c];
                    const OverviewColumn& b = read.columns[c];
                    for (int channel = 0; channel < 2; ++channel) {
                        if (r.aligned) {
                            EXPECT_EQ(a.low[channel], b.low[channel]) << c;
                            EXPECT_EQ(a.high[channel], b.high[channel]) << c;
                        } else if (b.low[channel] <= b.high[channel]) { // a column with frames
                            EXPECT_LE(a.low[channel], b.low[channel]) << c;
                            EXPECT_GE(a.high[channel], b.high[channel]) << c;
                        }
                    }
                    if (r.aligned) {
                        EXPECT_EQ(a.windowMean, b.windowMean) << c;
                    }
                }
            }
        }
    }
}

} // namespace
