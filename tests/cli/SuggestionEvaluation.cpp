#include "SuggestionEvaluation.h"

#include "SplitAnalyzer.h"
#include "SplitQuantities.h"

namespace evaluation {

namespace {

// Three 12-second tracks, 2.5-second pauses, a second of room noise at either end.
RecordingSettings Base(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    RecordingSettings settings;
    settings.sampleRate = rate;
    settings.bitsPerSample = bits;
    settings.channels = channels;
    settings.trackCount = 3;
    settings.trackSeconds = 12;
    return settings;
}

template <typename Change>
EvaluationCase Case(const char* name, RecordingSettings settings, Change change,
                    MayDefer mayDefer = MayDefer::Neither) {
    change(settings);
    return {name, settings, mayDefer};
}

} // namespace

const std::vector<EvaluationCase>& Cases() {
    static const std::vector<EvaluationCase> cases = {
        Case("Clean", Base(44100, 16, 2), [](RecordingSettings&) {}),
        Case("FaintHiss", Base(44100, 16, 2), [](RecordingSettings& s) { s.hissLevel = 0.0005; }),
        Case("Hiss", Base(22050, 16, 2), [](RecordingSettings& s) { s.hissLevel = 0.003; }),
        Case("HeavyHiss", Base(22050, 16, 2), [](RecordingSettings& s) { s.hissLevel = 0.01; }),
        Case("Crackle", Base(44100, 16, 2), [](RecordingSettings& s) { s.crackleLevel = 0.005; }),
        Case(
            "FewClicks", Base(44100, 16, 2),
            [](RecordingSettings& s) {
                s.clicksPerSecond = 0.5;
                s.crackleLevel = 0.002;
            },
            MayDefer::Maximum),
        Case(
            "ManyClicks", Base(44100, 16, 2), [](RecordingSettings& s) { s.clicksPerSecond = 4; },
            MayDefer::Maximum),
        Case("Hum50", Base(48000, 16, 2), [](RecordingSettings& s) { s.humLevel = 0.002; }),
        Case("LoudHum60", Base(48000, 16, 2),
             [](RecordingSettings& s) {
                 s.humLevel = 0.01;
                 s.humFrequency = 60;
             }),
        Case("Offset", Base(44100, 16, 2), [](RecordingSettings& s) { s.dcOffset = 0.005; }),
        Case("OffsetAndHiss", Base(32000, 16, 1),
             [](RecordingSettings& s) {
                 s.dcOffset = -0.02;
                 s.hissLevel = 0.001;
             }),
        Case("QuietPassages", Base(44100, 16, 2),
             [](RecordingSettings& s) { s.quietPassageGain = 0.03; }),
        Case("QuietPassagesHiss", Base(44100, 16, 2),
             [](RecordingSettings& s) {
                 s.quietPassageGain = 0.05;
                 s.hissLevel = 0.0003;
             }),
        Case("QuietMaster", Base(44100, 16, 2), [](RecordingSettings& s) { s.masterGain = 0.03; }),
        Case(
            "VeryQuietMaster", Base(44100, 16, 2),
            [](RecordingSettings& s) { s.masterGain = 0.01; }, MayDefer::Average),
        Case("EightBitMono", Base(8000, 8, 1), [](RecordingSettings&) {}),
        Case("EightBitHiss", Base(22050, 8, 2), [](RecordingSettings& s) { s.hissLevel = 0.02; }),
        Case(
            "EightBitOffset", Base(11025, 8, 1), [](RecordingSettings& s) { s.dcOffset = 0.03; },
            MayDefer::Average),
        Case("MonoHissAndHum", Base(48000, 16, 1),
             [](RecordingSettings& s) {
                 s.hissLevel = 0.002;
                 s.humLevel = 0.002;
             }),
        Case(
            "WornRecord", Base(44100, 16, 2),
            [](RecordingSettings& s) {
                s.hissLevel = 0.003;
                s.clicksPerSecond = 2;
                s.humLevel = 0.001;
            },
            MayDefer::Maximum),
    };
    return cases;
}

const RecordingFiles::File& RecordingFiles::For(const EvaluationCase& c) {
    auto found = files.find(c.name);
    if (found != files.end()) {
        return found->second;
    }
    File file;
    file.path = dir.file(std::string(c.name) + ".wav");
    std::string error;
    file.sections = LayOutRecording(c.settings, error);
    RecordingGenerator generator(c.settings, file.sections);
    WaveStream output;
    output.OpenForWrite(file.path.c_str(), c.settings.sampleRate, c.settings.bitsPerSample,
                        c.settings.channels);
    std::vector<FrameSlot> frames(1 << 16);
    std::vector<std::uint8_t> scratch(frames.size() * 4);
    while (std::uint32_t rendered = generator.Render(frames.data(), 1 << 16)) {
        output.WriteFrames(frames.data(), rendered, scratch.data());
    }
    output.Close();
    return files.emplace(c.name, std::move(file)).first->second;
}

RecordingFiles& Files() {
    static RecordingFiles files;
    return files;
}

std::string DryRunFault(const RecordingFiles::File& file, const std::string& thresholdText,
                        bool average) {
    WaveStream reader;
    if (reader.OpenForRead(file.path.c_str()) != WAVE_OK) {
        return "cannot open";
    }
    SplitOptions options;
    options.thresholdText = thresholdText;
    options.silenceLengthMs = kSilenceMs;
    options.minTrackLengthSec = kMinTrackSec;
    options.useAverageMethod = average;
    const std::uint64_t window = FramesForMilliseconds(reader.SampleRate(), kSilenceMs);
    std::vector<FrameSlot> frames(window);
    SilentProgress progress;
    SplitPlan plan;
    SplitAnalyzer::Analyze(options, reader, progress, frames, plan);

    std::vector<const RecordingSection*> pauses;
    for (std::size_t i = 1; i + 1 < file.sections.size(); ++i) {
        if (!file.sections[i].isTrack) {
            pauses.push_back(&file.sections[i]);
        }
    }
    if (plan.splitPoints.size() != pauses.size()) {
        return std::to_string(plan.segmentCount) + " files for " +
               std::to_string(pauses.size() + 1) + " tracks";
    }
    for (std::size_t i = 0; i < pauses.size(); ++i) {
        const std::uint64_t cut = plan.splitPoints[i];
        const std::uint64_t first = pauses[i]->firstFrame;
        const std::uint64_t end = first + pauses[i]->frameCount;
        if (cut + window < first || cut > end + window) {
            return "cut " + std::to_string(i + 1) + " at frame " + std::to_string(cut) +
                   ", outside its pause";
        }
    }
    return std::string();
}

ThresholdSuggestion SuggestFor(const RecordingFiles::File& file, bool average) {
    WaveStream reader;
    reader.OpenForRead(file.path.c_str());
    SilentProgress progress;
    return SuggestThreshold(reader, kSilenceMs, average, progress);
}

} // namespace evaluation
