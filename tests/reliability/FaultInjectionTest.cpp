// Faults in the file layer while the writer runs: a full disk at every byte of a
// run, a failing header patch, a failing read inside the recording, and the
// recording cut short while it is being split. Each must end with the engine's
// error, keep the earlier files complete, remove the file it could not finish,
// start no later file and give back normal priority.
#include "FaultyFiles.h"
#include "OutputChecks.h"

#include <numeric>

namespace {

class FaultTest : public JobTest {
protected:
    // Runs the job once without faults and keeps what it writes.
    void RunReference(const SplitOptions& options, std::uint32_t count) {
        names = TrackNames(count);
        FaultyFileLayer layer;
        FakeHost host;
        ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
        reference = ReadFolder(outputDir);
        ASSERT_EQ(reference.size(), count);
        for (const std::string& name : names) {
            ASSERT_EQ(reference.count(name), 1u) << name;
        }
        // What each file takes to write: its bytes, then the two header patches.
        writes = Faults().bytesWrittenPerFile;
        ASSERT_EQ(writes.size(), count);
        totalBytes = Faults().bytesWritten;
        ASSERT_EQ(totalBytes, std::accumulate(writes.begin(), writes.end(), std::int64_t{0}));
        plan = *host.plan;
        EmptyFolder(outputDir);
    }

    // The file a full disk hits when `budget` bytes still fit.
    std::size_t FileHitByBudget(std::int64_t budget) const {
        std::size_t file = 0;
        while (budget >= writes[file]) {
            budget -= writes[file];
            ++file;
        }
        return file;
    }

    // After a fault in file `failed` (0-based): the error names it, the files
    // before it are complete, it and every later one are absent.
    void ExpectStoppedAt(const FakeHost& host, SplitOutcome outcome, std::size_t failed,
                         const char* messageFormat) {
        EXPECT_EQ(outcome, SplitOutcome::WriteFailed);
        ASSERT_FALSE(host.messages.empty());
        const RecordedMessage& last = host.messages.back();
        const std::string name = Names("Track", static_cast<std::uint32_t>(names.size()))[failed];
        EXPECT_EQ(last.text, FormatText(messageFormat, name.c_str()));
        EXPECT_EQ(last.caption, messages::kErrorCaption);
        EXPECT_EQ(last.kind, MessageKind::Error);
        EXPECT_EQ(ExpectPrefixOfReference(outputDir, names, reference, false), failed);
        EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
        EXPECT_EQ(host.progressAlive, 0);
        EXPECT_TRUE(host.mainWindowEnabled);
    }

    std::vector<std::string> names;
    std::map<std::string, FileBytes> reference;
    std::vector<std::int64_t> writes;
    std::int64_t totalBytes = 0;
    SplitPlan plan;
};

TEST_F(FaultTest, DiskFullAtEveryByteOfAShortRun) {
    // Three tracks of 8-bit mono with appended silence: about 4.4 KB in all.
    Recording input(1000, 1, 8);
    input.Tracks(3, 1200, 300).Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 10;
    RunReference(options, 3);

    std::int64_t faults = 0;
    for (std::int64_t budget = 0; budget < totalBytes && !HasFailure(); ++budget) {
        SCOPED_TRACE("disk full after " + std::to_string(budget) + " bytes");
        FaultyFileLayer layer;
        Faults().writeBudget = budget;
        FakeHost host;
        const SplitOutcome outcome = RunSplitJob(options, host);
        faults += Faults().faultsHit > 0 ? 1 : 0;
        ExpectStoppedAt(host, outcome, FileHitByBudget(budget), messages::kCannotWrite);
        EmptyFolder(outputDir);
    }
    ReportFigure("disk-full positions in a short run", faults);
}

TEST_F(FaultTest, DiskFullInsideFilesLargerThanTheStreamBuffer) {
    // Files of about 400 KB, so the stream flushes in the middle of copying and
    // of appending silence, not only when the file is closed.
    Recording input(44100, 2, 16);
    input.Tracks(2, 2 * 44100, 22050).Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 500;
    RunReference(options, 2);

    const std::int64_t first = writes[0];
    const std::int64_t buffer = 256 * 1024;
    const std::int64_t budgets[] = {0,
                                    1,
                                    43,
                                    44,
                                    45,
                                    buffer - 1,
                                    buffer,
                                    buffer + 1,
                                    first - 88200,
                                    first - 1,
                                    first,
                                    first + 44,
                                    first + buffer,
                                    totalBytes - 1};
    for (std::int64_t budget : budgets) {
        SCOPED_TRACE("disk full after " + std::to_string(budget) + " bytes");
        FaultyFileLayer layer;
        Faults().writeBudget = budget;
        FakeHost host;
        const SplitOutcome outcome = RunSplitJob(options, host);
        EXPECT_GT(Faults().faultsHit, 0);
        ExpectStoppedAt(host, outcome, FileHitByBudget(budget), messages::kCannotWrite);
        EmptyFolder(outputDir);
    }
    ReportFigure("disk-full positions in long files", std::size(budgets));
}

TEST_F(FaultTest, FailedHeaderPatchRemovesTheFileItCouldNotFinish) {
    Recording input(1000, 2, 16);
    input.Tracks(3, 1200, 300).Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 10;
    RunReference(options, 3);

    int faults = 0;
    for (const bool seekFails : {false, true}) {
        for (int file = 1; file <= 3; ++file) {
            SCOPED_TRACE(std::string(seekFails ? "seek back" : "rewrite") + " fails in file " +
                         std::to_string(file));
            FaultyFileLayer layer;
            Faults().failRewrite = !seekFails;
            Faults().failSeekBack = seekFails;
            Faults().rewriteFaultFile = file;
            FakeHost host;
            const SplitOutcome outcome = RunSplitJob(options, host);
            EXPECT_GT(Faults().faultsHit, 0);
            ++faults;
            ExpectStoppedAt(host, outcome, static_cast<std::size_t>(file - 1),
                            messages::kCannotWrite);
            EmptyFolder(outputDir);
        }
    }

    // A cancel closes the current file; when that close fails, the cancel is
    // reported as the error it is and the file does not stay claiming its data.
    FaultyFileLayer layer;
    Faults().failRewrite = true;
    Faults().rewriteFaultFile = 2;
    FakeHost host;
    host.cancelWhen = [](const FakeHost& h, std::int64_t position) {
        return h.writing && position >= 2000;
    };
    const SplitOutcome outcome = RunSplitJob(options, host);
    ExpectStoppedAt(host, outcome, 1, messages::kCannotWrite);
    ReportFigure("header patch faults", faults + 1);
}

TEST_F(FaultTest, FailedReadInsideTheRecordingStopsTheWriter) {
    Recording input(1000, 1, 16);
    input.Tracks(3, 1200, 300).Write(inputPath);
    SplitOptions options = Options();
    RunReference(options, 3);
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, input.Frames());
    WaveStream probe;
    ASSERT_EQ(probe.OpenForRead(inputPath.c_str()), WAVE_OK);
    const std::int64_t dataStart = probe.DataChunkPosition() + 8;
    probe.Close();

    // A bad spot at every 37th byte of the samples, found only by the writer.
    int faults = 0;
    for (std::int64_t offset = dataStart; offset < dataStart + input.Frames() * 2 && !HasFailure();
         offset += 37) {
        SCOPED_TRACE("reads fail from byte " + std::to_string(offset));
        FaultyFileLayer layer;
        FakeHost host;
        host.beforeConfirm = [offset] { Faults().readFailOffset = offset; };
        const SplitOutcome outcome = RunSplitJob(options, host);
        const auto badFrame = static_cast<std::uint32_t>((offset - dataStart) / 2);
        std::size_t failed = 0;
        while (spans[failed].endFrame <= badFrame) {
            ++failed;
        }
        ++faults;
        ASSERT_FALSE(host.messages.empty());
        EXPECT_EQ(host.messages.back().text, FormatText(messages::kCannotRead, inputPath.c_str()));
        EXPECT_EQ(outcome, SplitOutcome::WriteFailed);
        EXPECT_EQ(ExpectPrefixOfReference(outputDir, names, reference, false), failed);
        EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
        EXPECT_TRUE(host.mainWindowEnabled);
        EmptyFolder(outputDir);
    }
    ReportFigure("read faults inside the recording", faults);
}

TEST_F(FaultTest, RecordingCutShortWhileTheWriterRunsEndsWithAnError) {
    // Nearly 1 MB of samples, far more than the reader buffers at once, so the
    // cut is met by a read and not hidden behind audio read before it.
    Recording input(8000, 2, 16);
    input.Tracks(3, 80000, 2000).Write(inputPath);
    SplitOptions options = Options();
    RunReference(options, 3);
    WaveStream probe;
    ASSERT_EQ(probe.OpenForRead(inputPath.c_str()), WAVE_OK);
    const std::int64_t dataStart = probe.DataChunkPosition() + 8;
    probe.Close();

    // When the writer is at frame 90000 (in file 2), the recording loses its end.
    for (const std::uint32_t keptFrames : {160000u, 170000u, 200000u, 240000u}) {
        SCOPED_TRACE("cut to " + std::to_string(keptFrames) + " frames");
        FakeHost host;
        bool cut = false;
        host.cancelWhen = [&](const FakeHost& h, std::int64_t position) {
            if (h.writing && position >= 90000 && !cut) {
                std::filesystem::resize_file(inputPath, dataStart + keptFrames * 4);
                cut = true;
            }
            return false;
        };
        const SplitOutcome outcome = RunSplitJob(options, host);
        EXPECT_TRUE(cut);
        EXPECT_EQ(outcome, SplitOutcome::WriteFailed);
        ASSERT_FALSE(host.messages.empty());
        // Either a read meets the cut first, or the check of the recording between
        // files sees it has changed.
        const std::string& text = host.messages.back().text;
        EXPECT_TRUE(text == FormatText(messages::kCannotRead, inputPath.c_str()) ||
                    text == FormatText(messages::kRecordingChanged, inputPath.c_str()))
            << text;
        // File 1 was finished before the cut; nothing after it copies missing audio.
        EXPECT_GE(ExpectPrefixOfReference(outputDir, names, reference, false), 1u);
        EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
        EmptyFolder(outputDir);
        input.Write(inputPath);
    }
}

} // namespace
