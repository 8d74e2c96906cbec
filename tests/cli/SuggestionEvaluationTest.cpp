// The threshold suggestion on generated recordings of known layout, under the
// conditions that defeat a fixed threshold. For every recording and method, a dry
// run with the suggested threshold must plan one file per track, every cut inside
// its pause (give or take one window).
#include "SuggestionEvaluation.h"

#include <gtest/gtest.h>

namespace {

using namespace evaluation;

class Evaluation : public testing::TestWithParam<EvaluationCase> {};

TEST_P(Evaluation, SuggestedThresholdCutsEveryPause) {
    const EvaluationCase& c = GetParam();
    const RecordingFiles::File& file = Files().For(c);
    for (bool average : {true, false}) {
        SCOPED_TRACE(average ? "average method" : "maximum method");
        const ThresholdSuggestion suggestion = SuggestFor(file, average);
        const bool mayDefer = c.mayDefer == (average ? MayDefer::Average : MayDefer::Maximum);
        if (mayDefer && !suggestion.advice.empty()) {
            // Handing over is right only when the other method then works.
            const char* other = average ? "maximum method" : "average method";
            EXPECT_NE(suggestion.advice.find(other), std::string::npos) << suggestion.advice;
            const ThresholdSuggestion instead = SuggestFor(file, !average);
            ASSERT_EQ(instead.outcome, ThresholdSuggestion::Outcome::Suggested);
            EXPECT_NE(suggestion.advice.find(instead.thresholdText), std::string::npos);
            EXPECT_EQ(DryRunFault(file, instead.thresholdText, !average), "");
            continue;
        }
        ASSERT_EQ(suggestion.outcome, ThresholdSuggestion::Outcome::Suggested)
            << SuggestionProblemText(suggestion.outcome);
        EXPECT_EQ(DryRunFault(file, suggestion.thresholdText, average), "")
            << "at " << suggestion.thresholdText;
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, Evaluation, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<EvaluationCase>& info) {
                             return info.param.name;
                         });

} // namespace
