// A cancel at every progress update of the analysis and of the writer: whenever
// it comes, the files left are whole WAV files holding a prefix of what the
// complete run writes, nothing follows them, and the main window ends enabled.
#include "OutputChecks.h"

#include <ostream>

namespace {

struct Format {
    int channels;
    int bits;
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.bits << "-bit, " << format.channels << " channel(s)";
}

class CancelAnywhereTest : public JobTest, public ::testing::WithParamInterface<Format> {};

TEST_P(CancelAnywhereTest, EveryUpdateLeavesAPrefixOfTheCompleteRun) {
    const Format format = GetParam();
    Recording input(1000, format.channels, format.bits);
    input.Silence(250).Tracks(3, 1200, 300).Silence(250).Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 20;
    options.trimSilence = true;

    // The complete run, counting the updates at which a cancel can land.
    int updates = 0;
    FakeHost full;
    full.cancelWhen = [&updates](const FakeHost&, std::int64_t) {
        ++updates;
        return false;
    };
    ASSERT_EQ(RunSplitJob(options, full), SplitOutcome::Written);
    const std::uint32_t count = full.plan->segmentCount;
    ASSERT_EQ(count, 3u);
    const std::vector<std::string> names = TrackNames(count);
    const std::map<std::string, FileBytes> reference = ReadFolder(outputDir);
    EmptyFolder(outputDir);
    ASSERT_GT(updates, 50);

    int cancelsInWriter = 0;
    for (int at = 1; at <= updates && !HasFailure(); ++at) {
        SCOPED_TRACE("cancel at update " + std::to_string(at) + " of " + std::to_string(updates));
        FakeHost host;
        int seen = 0;
        host.cancelWhen = [&seen, at](const FakeHost&, std::int64_t) { return ++seen == at; };
        EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Cancelled);
        EXPECT_EQ(host.progressAlive, 0);
        EXPECT_TRUE(host.mainWindowEnabled);
        if (host.writing) {
            ++cancelsInWriter;
            // Only the report was shown; no error, and priority is back to normal.
            EXPECT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
            ExpectPrefixOfReference(outputDir, names, reference, true);
        } else {
            EXPECT_TRUE(host.messages.empty());
            EXPECT_TRUE(host.priorityChanges.empty());
            EXPECT_TRUE(ReadFolder(outputDir).empty());
        }
        EmptyFolder(outputDir);
    }
    EXPECT_GT(cancelsInWriter, 0);
    EXPECT_LT(cancelsInWriter, updates);
    ReportFigure("cancels tried (" + std::to_string(format.bits) + "-bit, " +
                     std::to_string(format.channels) + " ch)",
                 updates);
}

INSTANTIATE_TEST_SUITE_P(Formats, CancelAnywhereTest,
                         ::testing::Values(Format{1, 16}, Format{2, 8}, Format{2, 16}),
                         [](const ::testing::TestParamInfo<Format>& info) {
                             return std::to_string(info.param.bits) + "bit" +
                                    std::to_string(info.param.channels) + "ch";
                         });

} // namespace
