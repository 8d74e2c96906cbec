#include "CutsFile.h"

#include "RegularFile.h"
#include "SplitQuantities.h"
#include "WaveStream.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole file; false when it cannot be read. A label file is small, but a
// wrong name could point at a recording: reading stops past a generous size.
bool ReadSmallFile(const std::string& path, std::string& text) {
    constexpr std::size_t kMaxBytes = 64 * 1024 * 1024;
    RegularFileProblem problem = RegularFileProblem::None;
    const std::unique_ptr<std::FILE, FileCloser> file(
        OpenRegularFile(path.c_str(), RegularFileMode::Read, problem));
    if (!file) {
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, got);
        if (text.size() > kMaxBytes) {
            return false;
        }
    }
    return std::ferror(file.get()) == 0;
}

bool Explain(const std::string& path, const CutListProblem& problem) {
    if (problem.line == 0) {
        std::fprintf(stderr, "quernfold-split: %s: %s\n", path.c_str(), problem.reason.c_str());
    } else {
        std::fprintf(stderr, "quernfold-split: %s: line %zu: %s\n", path.c_str(), problem.line,
                     problem.reason.c_str());
    }
    return false;
}

} // namespace

bool ReadCutsOrExplain(const std::string& cutsPath, const std::string& inputPath,
                       std::vector<LabelTrack>& tracks) {
    std::string text;
    if (!ReadSmallFile(cutsPath, text)) {
        return Explain(cutsPath, {0, "cannot read the label file"});
    }
    CutListProblem problem;
    if (!ReadLabelTracks(text, tracks, problem)) {
        return Explain(cutsPath, problem);
    }
    WaveStream reader;
    if (reader.OpenForRead(inputPath.c_str()) != WAVE_OK) {
        return true; // the split itself says why it cannot open the recording
    }
    SplitPlan plan;
    if (!PlanFromTracks(tracks, reader.FrameCount(), reader.SampleRate(), 1,
                        SilenceSampleFor(reader.SlotBits()), plan, problem)) {
        return Explain(cutsPath, problem);
    }
    return true;
}
