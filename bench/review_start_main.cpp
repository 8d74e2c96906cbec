// Start to review window on a long recording: the job's preparation and analysis,
// as Start runs them, up to the review model built over the plan (its files, cuts
// and summary, what the window shows first). Beside it, what follows while the
// window is open: the re-planning worker's table of levels and the overview built
// from that table. Compare the first figure with `quernfold-split --dry-run` of the
// same file and options. Run with the cache warm:
// quernfold-review-start RECORDING.wav OUTPUT-FOLDER [ROUNDS]
#include "PlanReview.h"
#include "ReviewModel.h"
#include "SplitJob.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Answers the plan with a review model and declines, so nothing is written; the
// time is taken once the model can be shown.
class ReviewHost : public SplitHost {
public:
    Clock::time_point start;
    double startToReview = 0;
    double afterReview = 0; // the table and the whole-recording overview
    std::size_t cuts = 0;

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string&, bool) override {
        return std::make_unique<SilentProgress>();
    }
    Answer ShowMessage(const std::string& text, const std::string&, MessageKind) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return Answer::Cancel;
    }
    PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan&) override {
        ReviewModel model(proposal.options, proposal.plan,
                          {proposal.frameCount, proposal.sampleRate, proposal.bitsPerSample});
        cuts = model.CutFrames().size() + model.Summary().size() + model.Spans().size();
        startToReview = SecondsSince(start);

        const Clock::time_point opened = Clock::now();
        std::mutex mutex;
        std::condition_variable arrived;
        std::shared_ptr<const LevelTable> levels;
        PlanReanalyzer reanalyzer(
            proposal.options, *proposal.reader, [](const PlanReanalyzer::Result&) {},
            [&](std::shared_ptr<const LevelTable> table) {
                std::lock_guard<std::mutex> lock(mutex);
                levels = std::move(table);
                arrived.notify_all();
            });
        reanalyzer.WaitUntilIdle();
        std::unique_lock<std::mutex> lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(0), [&] { return levels != nullptr; })) {
            std::fprintf(stderr, "quernfold-review-start: no levels\n");
            return PlanAnswer::Declined;
        }
        model.SetLevels(levels);
        const WaveOverview overview = OverviewFromLevels(
            *levels, proposal.sampleRate, 0, proposal.frameCount, 1000, proposal.plan.windowFrames);
        cuts += overview.columns.size();
        afterReview = SecondsSince(opened);
        return PlanAnswer::Declined;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "Usage: quernfold-review-start RECORDING.wav OUTPUT-FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    SplitOptions options;
    options.inputPath = argv[1];
    options.outputFolder = argv[2];
    options.trimSilence = true;
    std::printf("%-6s %16s %28s\n", "round", "start to review s", "levels + overview after s");
    for (int round = 0; round < rounds; ++round) {
        ReviewHost host;
        host.start = Clock::now();
        if (RunSplitJob(options, host) != SplitOutcome::Declined) {
            std::fprintf(stderr, "quernfold-review-start: the job did not reach the review\n");
            return 1;
        }
        std::printf("%-6d %16.3f %28.3f\n", round, host.startToReview, host.afterReview);
    }
    return 0;
}
