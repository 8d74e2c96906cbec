// The threshold suggestion's evaluation: generated recordings of known layout
// under the conditions that defeat a fixed threshold, and the check that a dry
// run at a threshold plans one file per track with every cut inside its pause.
// The evaluation tests and the table of docs/threshold-suggestion.md share it.
#pragma once

#include "RecordingGenerator.h"
#include "TestFiles.h"
#include "ThresholdSuggestion.h"

#include <map>
#include <string>
#include <vector>

namespace evaluation {

inline constexpr std::uint32_t kSilenceMs = 500;
inline constexpr std::uint32_t kMinTrackSec = 8;
inline constexpr char kDefaultThreshold[] = "0.20 %";

// The method that may hand over to the other: clicks defeat the maximum method;
// a master too quiet for the scale's lowest step, or 8-bit samples with an offset
// close to the music's mean, defeat the average method.
enum class MayDefer { Neither, Average, Maximum };

struct EvaluationCase {
    const char* name;
    RecordingSettings settings;
    MayDefer mayDefer;
};

// Every recording of the evaluation.
const std::vector<EvaluationCase>& Cases();

// The recording of a case, written once per test program run.
class RecordingFiles {
public:
    struct File {
        std::string path;
        std::vector<RecordingSection> sections;
    };

    const File& For(const EvaluationCase& c);

private:
    testing_support::TempDir dir;
    std::map<std::string, File> files;
};

RecordingFiles& Files();

// Empty when a dry run at the threshold plans one file per track with every cut
// inside its pause; otherwise what went wrong.
std::string DryRunFault(const RecordingFiles::File& file, const std::string& thresholdText,
                        bool average);

ThresholdSuggestion SuggestFor(const RecordingFiles::File& file, bool average);

} // namespace evaluation
