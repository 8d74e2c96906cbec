#include "CutsFile.h"

#include "TitlesFile.h"
#include "WaveStream.h"

#include <cstdio>

namespace {

bool Explain(const std::string& path, const CutListProblem& problem) {
    if (problem.line == 0) {
        std::fprintf(stderr, "quernfold-split: %s: %s\n", path.c_str(), problem.reason.c_str());
    } else {
        std::fprintf(stderr, "quernfold-split: %s: line %llu: %s\n", path.c_str(),
                     static_cast<unsigned long long>(problem.line), problem.reason.c_str());
    }
    return false;
}

} // namespace

bool ReadCutsOrExplain(const std::string& cutsPath, const std::string& inputPath, GivenCuts& cuts) {
    const std::optional<std::string> text = ReadTextFile(cutsPath);
    if (!text) {
        return Explain(cutsPath, {0, "cannot read the label file"});
    }
    std::vector<LabelTrack> tracks;
    CutListProblem problem;
    if (!ReadLabelTracks(*text, tracks, problem)) {
        return Explain(cutsPath, problem);
    }
    WaveStream reader;
    if (reader.OpenForRead(inputPath.c_str()) != WAVE_OK) {
        return true; // the split itself says why it cannot open the recording
    }
    if (!GivenCutsFromTracks(tracks, reader.FrameCount(), reader.SampleRate(), cuts, problem)) {
        return Explain(cutsPath, problem);
    }
    return true;
}
