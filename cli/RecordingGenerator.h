// Synthesises a demo recording: tracks of chords, bass and shaped noise at
// realistic levels, separated by pauses of low-level noise. Everything is
// derived from the settings and a fixed seed, so the same settings always give
// the same samples.
#pragma once

#include "WaveStream.h"

#include <cstdint>
#include <string>
#include <vector>

struct RecordingSettings {
    std::uint32_t sampleRate = 44100;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t channels = 2;
    std::uint32_t trackCount = 5;
    double totalSeconds = 180.0; // used when trackSeconds is 0
    double trackSeconds = 0.0;   // every track this long (no variation) when not 0
    double pauseSeconds = 2.5;
    double leadSeconds = 1.0; // noise floor before the first track
    double tailSeconds = 1.0; // noise floor after the last track
    std::uint32_t seed = 1;

    // Conditions of real recordings that defeat a fixed threshold; all off by
    // default. Levels are fractions of full scale.
    double masterGain = 1.0;       // the music and room noise scaled (a quiet master)
    double quietPassageGain = 1.0; // the middle third of every track scaled by this
    double hissLevel = 0.0;        // tape hiss throughout, about this far from zero at most
    double clicksPerSecond = 0.0;  // vinyl clicks: short loud impulses at random times
    double crackleLevel = 0.0;     // vinyl crackle: dense small ticks throughout
    double humLevel = 0.0;         // mains hum: the fundamental's amplitude
    double humFrequency = 50.0;    // with the 2nd and 3rd harmonics at 1/2 and 1/3 of it
    double dcOffset = 0.0;         // added to every sample, signed
};

// One stretch of the time line, in frames.
struct RecordingSection {
    std::uint64_t firstFrame = 0;
    std::uint64_t frameCount = 0;
    bool isTrack = false;
    std::uint32_t trackIndex = 0; // counted from 0; meaningful for tracks only
};

// Lays out the time line; returns an empty list and sets error when the
// settings cannot give a recording (too short for the pauses, too long for a WAV file).
std::vector<RecordingSection> LayOutRecording(const RecordingSettings& settings,
                                              std::string& error);

// Renders a laid-out recording block by block, from frame 0 onwards.
class RecordingGenerator {
public:
    RecordingGenerator(const RecordingSettings& settings, std::vector<RecordingSection> sections);

    std::uint64_t TotalFrames() const { return totalFrames; }
    // Fills frames[0..count) with the next count frames (fewer at the end);
    // returns how many were filled.
    std::uint32_t Render(FrameSlot* frames, std::uint32_t count);

private:
    struct Voice {
        std::uint32_t phase = 0;
        std::uint32_t step = 0;
        float gainLeft = 0;
        float gainRight = 0;
    };

    void StartSection(std::size_t index);
    void StartChord();
    void RenderTrackFrame(const RecordingSection& section, float whiteLeft, float whiteRight,
                          float& outLeft, float& outRight);
    float NextNoise();
    FrameSlot Quantise(float left, float right) const;
    float NextArtefactNoise();
    // Hiss, clicks, crackle, hum and offset for the next frame, per channel.
    void AddArtefacts(float& left, float& right);

    RecordingSettings settings;
    std::vector<RecordingSection> sections;
    std::uint64_t totalFrames = 0;
    std::uint64_t position = 0;
    std::size_t sectionIndex = 0;
    std::uint64_t sectionFrame = 0; // frames into the current section

    std::uint64_t rngState;
    float noiseLowLeft = 0, noiseLowRight = 0;   // one-pole low-pass states
    float noiseHighLeft = 0, noiseHighRight = 0; // slower low-pass, subtracted for a band

    // Track state.
    std::uint32_t rootStep = 0;    // phase step of the key's root
    std::uint32_t beatFrames = 1;  // frames per beat
    std::uint32_t chordNumber = 0; // chords started so far in this track
    std::uint64_t chordStart = 0;  // section frame at which the chord began
    std::uint32_t chordFrames = 1;
    Voice voices[6]; // three chord notes, their octaves
    Voice bass;
    float decay = 1.0f; // per-frame factor of the chord's decay
    float envelope = 0; // current decaying part of the chord envelope
    float hatEnvelope = 0;
    float hatDecay = 1.0f;

    // Artefacts have their own random sequence, so that recordings without them
    // stay exactly as they were.
    std::uint64_t artefactRngState;
    float clickLeft = 0, clickRight = 0; // decaying click impulses
    float clickDecay = 0;
    std::uint32_t humPhase = 0;
    std::uint32_t humStep = 0;
};
