// Prints the table of docs/threshold-suggestion.md: for every evaluation
// recording and method, the suggested threshold and whether a dry run at it and
// at the fixed 0.20 % plans every track right.
#include "SuggestionEvaluation.h"

#include <cstdio>

using namespace evaluation;

int main() {
    int suggestedRight[2] = {0, 0};
    int defaultRight[2] = {0, 0};
    std::printf("| recording | average: suggested | average: 0.20 %% | maximum: suggested | "
                "maximum: 0.20 %% |\n|---|---|---|---|---|\n");
    for (const EvaluationCase& c : Cases()) {
        const RecordingFiles::File& file = Files().For(c);
        std::printf("| %s |", c.name);
        for (int method = 0; method < 2; ++method) {
            const bool average = method == 0;
            const ThresholdSuggestion suggestion = SuggestFor(file, average);
            const bool suggested = suggestion.outcome == ThresholdSuggestion::Outcome::Suggested;
            const bool right =
                suggested && DryRunFault(file, suggestion.thresholdText, average).empty();
            const bool byDefault = DryRunFault(file, kDefaultThreshold, average).empty();
            suggestedRight[method] += right ? 1 : 0;
            defaultRight[method] += byDefault ? 1 : 0;
            std::printf(" %s %s%s | %s |", suggested ? suggestion.thresholdText.c_str() : "none",
                        right ? "right" : "wrong", suggestion.advice.empty() ? "" : ", advice",
                        byDefault ? "right" : "wrong");
        }
        std::printf("\n");
    }
    const int total = static_cast<int>(Cases().size());
    std::printf("| share right | %d of %d | %d of %d | %d of %d | %d of %d |\n", suggestedRight[0],
                total, defaultRight[0], total, suggestedRight[1], total, defaultRight[1], total);
    return 0;
}
