#include "RecordingGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Oscillators read a sine table through a 32-bit phase: cheap enough for hour-long
// recordings, and exactly repeatable.
constexpr int kTableBits = 12;
constexpr std::uint32_t kTableSize = 1u << kTableBits;

const std::array<float, kTableSize>& SineTable() {
    static const std::array<float, kTableSize> table = [] {
        std::array<float, kTableSize> values{};
        for (std::uint32_t i = 0; i < kTableSize; ++i) {
            values[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kTableSize));
        }
        return values;
    }();
    return table;
}

inline float Sine(std::uint32_t phase) {
    return SineTable()[phase >> (32 - kTableBits)];
}

std::uint32_t PhaseStep(double frequency, std::uint32_t sampleRate) {
    return static_cast<std::uint32_t>(frequency / sampleRate * 4294967296.0);
}

// Levels, as fractions of full scale.
constexpr float kPauseNoisePeak = 0.0008f; // far below the default silence threshold
constexpr float kChordNoteLevel = 0.11f;
constexpr float kOctaveLevel = 0.04f;
constexpr float kBassLevel = 0.16f;
constexpr float kNoiseBedLevel = 0.05f;
constexpr float kHatLevel = 0.06f;

// Keys (root of the chord notes, in Hz) and a four-chord progression in semitones.
constexpr double kRoots[] = {220.00, 246.94, 261.63, 293.66, 329.63, 349.23, 392.00};
constexpr int kProgression[4][3] = {{0, 4, 7}, {9, 12, 16}, {5, 9, 12}, {7, 11, 14}};

std::uint64_t SecondsToFrames(double seconds, std::uint32_t sampleRate) {
    return static_cast<std::uint64_t>(std::llround(seconds * sampleRate));
}

} // namespace

std::vector<RecordingSection> LayOutRecording(const RecordingSettings& settings,
                                              std::string& error) {
    std::vector<RecordingSection> sections;
    const std::uint32_t rate = settings.sampleRate;
    const std::uint32_t tracks = settings.trackCount;
    const std::uint64_t pause = SecondsToFrames(settings.pauseSeconds, rate);
    const std::uint64_t lead = SecondsToFrames(settings.leadSeconds, rate);
    const std::uint64_t tail = SecondsToFrames(settings.tailSeconds, rate);

    std::vector<std::uint64_t> trackFrames(tracks);
    if (settings.trackSeconds > 0) {
        std::fill(trackFrames.begin(), trackFrames.end(),
                  SecondsToFrames(settings.trackSeconds, rate));
    } else {
        const double fixedSeconds =
            settings.leadSeconds + settings.tailSeconds + settings.pauseSeconds * (tracks - 1);
        const double musicSeconds = settings.totalSeconds - fixedSeconds;
        if (musicSeconds < tracks * 1.0) {
            error = "the length is too short for that many tracks and pauses";
            return sections;
        }
        // Tracks differ by up to 5 % from the average, in a pattern fixed by the
        // seed; the last track takes up the rounding so the total is exact.
        std::uint64_t rng = settings.seed * 0x9E3779B97F4A7C15ull + 1;
        std::vector<double> weights(tracks);
        double weightSum = 0;
        for (double& weight : weights) {
            rng = rng * 6364136223846793005ull + 1442695040888963407ull;
            weight = 0.95 + 0.10 * static_cast<double>(rng >> 11) / 9007199254740992.0;
            weightSum += weight;
        }
        const std::uint64_t musicFrames =
            SecondsToFrames(settings.totalSeconds, rate) - lead - tail - pause * (tracks - 1);
        std::uint64_t assigned = 0;
        for (std::uint32_t i = 0; i + 1 < tracks; ++i) {
            trackFrames[i] = static_cast<std::uint64_t>(musicFrames * weights[i] / weightSum);
            assigned += trackFrames[i];
        }
        trackFrames[tracks - 1] = musicFrames - assigned;
    }

    std::uint64_t position = 0;
    auto add = [&](std::uint64_t frames, bool isTrack, std::uint32_t index) {
        if (frames != 0) {
            sections.push_back({position, frames, isTrack, index});
            position += frames;
        }
    };
    add(lead, false, 0);
    for (std::uint32_t i = 0; i < tracks; ++i) {
        if (i != 0) {
            add(pause, false, 0);
        }
        add(trackFrames[i], true, i);
    }
    add(tail, false, 0);

    // The data chunk's size is a 32-bit byte count.
    const std::uint64_t bytes =
        position * settings.channels * static_cast<std::uint64_t>(settings.bitsPerSample / 8);
    if (bytes > std::numeric_limits<std::uint32_t>::max() - 36u) {
        error = "the recording would be larger than a WAV file can hold (4 GiB)";
        sections.clear();
    }
    return sections;
}

RecordingGenerator::RecordingGenerator(const RecordingSettings& settings,
                                       std::vector<RecordingSection> sections)
    : settings(settings), sections(std::move(sections)),
      rngState(0x2545F4914F6CDD1Dull ^ (static_cast<std::uint64_t>(settings.seed) << 17)),
      artefactRngState(0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(settings.seed) << 23)),
      clickDecay(static_cast<float>(std::exp(-1.0 / (0.0002 * settings.sampleRate)))),
      humStep(PhaseStep(settings.humFrequency, settings.sampleRate)) {
    for (const RecordingSection& section : this->sections) {
        totalFrames += section.frameCount;
    }
    if (!this->sections.empty()) {
        StartSection(0);
    }
}

float RecordingGenerator::NextNoise() {
    // xorshift64*: a fast generator whose sequence depends only on the seed.
    rngState ^= rngState >> 12;
    rngState ^= rngState << 25;
    rngState ^= rngState >> 27;
    const std::uint64_t value = rngState * 0x2545F4914F6CDD1Dull;
    return static_cast<float>(value >> 40) * (1.0f / 8388608.0f) - 1.0f; // [-1, 1)
}

float RecordingGenerator::NextArtefactNoise() {
    artefactRngState ^= artefactRngState >> 12;
    artefactRngState ^= artefactRngState << 25;
    artefactRngState ^= artefactRngState >> 27;
    const std::uint64_t value = artefactRngState * 0x2545F4914F6CDD1Dull;
    return static_cast<float>(value >> 40) * (1.0f / 8388608.0f) - 1.0f; // [-1, 1)
}

void RecordingGenerator::AddArtefacts(float& left, float& right) {
    if (settings.hissLevel > 0) {
        // Two uniform values give a triangular spread, closer to real hiss.
        const auto hiss = static_cast<float>(settings.hissLevel * 0.5);
        left += (NextArtefactNoise() + NextArtefactNoise()) * hiss;
        right += (NextArtefactNoise() + NextArtefactNoise()) * hiss;
    }
    if (settings.clicksPerSecond > 0) {
        const double chance = settings.clicksPerSecond / settings.sampleRate;
        if ((NextArtefactNoise() + 1.0f) * 0.5f < chance) {
            // A click of 10 % to 40 % of full scale, a little louder on one side.
            const float size = 0.25f + 0.15f * NextArtefactNoise();
            const float sign = NextArtefactNoise() < 0 ? -1.0f : 1.0f;
            clickLeft += sign * size;
            clickRight += sign * size * 0.7f;
        }
        left += clickLeft;
        right += clickRight;
        clickLeft *= -clickDecay; // ringing, so the impulse has no net offset
        clickRight *= -clickDecay;
    }
    if (settings.crackleLevel > 0) {
        // About 200 ticks a second.
        if ((NextArtefactNoise() + 1.0f) * 0.5f < 200.0f / settings.sampleRate) {
            const auto tick = static_cast<float>(settings.crackleLevel) * NextArtefactNoise();
            left += tick;
            right -= tick;
        }
    }
    if (settings.humLevel > 0) {
        const float hum = static_cast<float>(settings.humLevel) *
                          (Sine(humPhase) + Sine(humPhase * 2) / 2 + Sine(humPhase * 3) / 3);
        humPhase += humStep;
        left += hum;
        right += hum;
    }
    left += static_cast<float>(settings.dcOffset);
    right += static_cast<float>(settings.dcOffset);
}

void RecordingGenerator::StartSection(std::size_t index) {
    sectionIndex = index;
    sectionFrame = 0;
    const RecordingSection& section = sections[index];
    if (!section.isTrack) {
        return;
    }
    const std::uint32_t variant = section.trackIndex * 3 + settings.seed * 7;
    const double root = kRoots[variant % std::size(kRoots)];
    rootStep = PhaseStep(root, settings.sampleRate);
    const double beatSeconds = 0.40 + 0.05 * (variant % 6);
    beatFrames =
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(beatSeconds * settings.sampleRate));
    chordFrames = 2 * beatFrames;
    chordNumber = 0;
    chordStart = 0;
    hatDecay = static_cast<float>(std::exp(-1.0 / (0.04 * settings.sampleRate)));
    decay = static_cast<float>(std::exp(-1.0 / (0.35 * settings.sampleRate)));
    StartChord();
}

void RecordingGenerator::StartChord() {
    const int* chord = kProgression[chordNumber % 4];
    const double root =
        kRoots[(sections[sectionIndex].trackIndex * 3 + settings.seed * 7) % std::size(kRoots)];
    for (int note = 0; note < 3; ++note) {
        const double frequency = root * std::pow(2.0, chord[note] / 12.0);
        // Notes spread from left to right; octaves sit opposite their note.
        const double pan = (0.25 + 0.25 * note) * std::numbers::pi / 2;
        Voice& voice = voices[note];
        voice.step = PhaseStep(frequency, settings.sampleRate);
        voice.gainLeft = kChordNoteLevel * static_cast<float>(std::cos(pan));
        voice.gainRight = kChordNoteLevel * static_cast<float>(std::sin(pan));
        Voice& octave = voices[note + 3];
        octave.step = PhaseStep(frequency * 2, settings.sampleRate);
        octave.gainLeft = kOctaveLevel * static_cast<float>(std::sin(pan));
        octave.gainRight = kOctaveLevel * static_cast<float>(std::cos(pan));
    }
    bass.step = PhaseStep(root / 4 * std::pow(2.0, chord[0] / 12.0), settings.sampleRate);
    bass.gainLeft = bass.gainRight = kBassLevel * 0.7071f;
    envelope = 1.0f;
    chordStart = sectionFrame;
    ++chordNumber;
}

FrameSlot RecordingGenerator::Quantise(float left, float right) const {
    if (settings.channels == 1) {
        left = (left + right) * 0.5f;
    }
    FrameSlot slot{};
    if (settings.bitsPerSample == 8) {
        auto toByte = [](float x) {
            return static_cast<std::int16_t>(std::clamp(std::lround(x * 127.0f) + 128, 0L, 255L));
        };
        slot.channel1 = toByte(left);
        slot.channel2 = settings.channels == 2 ? toByte(right) : 0;
    } else {
        auto toWord = [](float x) {
            return static_cast<std::int16_t>(
                std::clamp(std::lround(x * 32767.0f), -32768L, 32767L));
        };
        slot.channel1 = toWord(left);
        slot.channel2 = settings.channels == 2 ? toWord(right) : 0;
    }
    return slot;
}

// One frame of a track: the chord's voices and bass under their envelope, a bed
// of noise and the beat's burst, faded in and out, quieter in the middle third.
void RecordingGenerator::RenderTrackFrame(const RecordingSection& section, float whiteLeft,
                                          float whiteRight, float& outLeft, float& outRight) {
    const std::uint32_t attackFrames = std::max<std::uint32_t>(1, settings.sampleRate / 60);
    const std::uint32_t releaseFrames = std::max<std::uint32_t>(1, settings.sampleRate / 30);
    const std::uint64_t fadeInFrames = std::max<std::uint32_t>(1, settings.sampleRate / 25);
    const std::uint64_t fadeOutFrames = settings.sampleRate;
    if (sectionFrame - chordStart >= chordFrames) {
        StartChord();
    }
    const auto local = static_cast<std::uint32_t>(sectionFrame - chordStart);
    if (local % beatFrames == 0) {
        hatEnvelope = 1.0f;
    }
    const float attack = std::min(1.0f, static_cast<float>(local) / attackFrames);
    const float release = std::min(1.0f, static_cast<float>(chordFrames - local) / releaseFrames);
    const float amplitude = attack * release * (0.35f + 0.65f * envelope);
    envelope *= decay;

    for (Voice& voice : voices) {
        const float sample = Sine(voice.phase) * amplitude;
        voice.phase += voice.step;
        outLeft += sample * voice.gainLeft;
        outRight += sample * voice.gainRight;
    }
    const float bassSample = Sine(bass.phase) * amplitude;
    bass.phase += bass.step;
    outLeft += bassSample * bass.gainLeft;
    outRight += bassSample * bass.gainRight;

    // A band of noise under the music (so no stretch of a track is quiet),
    // and a short noise burst on every beat.
    noiseHighLeft += 0.02f * (noiseLowLeft - noiseHighLeft);
    noiseHighRight += 0.02f * (noiseLowRight - noiseHighRight);
    outLeft += (noiseLowLeft - noiseHighLeft) * kNoiseBedLevel;
    outRight += (noiseLowRight - noiseHighRight) * kNoiseBedLevel;
    outLeft += (whiteLeft - noiseLowLeft) * hatEnvelope * kHatLevel;
    outRight += (whiteRight - noiseLowRight) * hatEnvelope * kHatLevel;
    hatEnvelope *= hatDecay;

    const float fadeIn =
        std::min(1.0f, static_cast<float>(sectionFrame) / static_cast<float>(fadeInFrames));
    const float fadeOut =
        std::min(1.0f, static_cast<float>(section.frameCount - sectionFrame) / fadeOutFrames);
    // A quiet passage in the middle third of the track.
    const bool quiet =
        sectionFrame >= section.frameCount / 3 && sectionFrame < section.frameCount / 3 * 2;
    const float passage = quiet ? static_cast<float>(settings.quietPassageGain) : 1.0f;
    outLeft *= fadeIn * fadeOut * passage;
    outRight *= fadeIn * fadeOut * passage;
}

std::uint32_t RecordingGenerator::Render(FrameSlot* frames, std::uint32_t count) {
    const std::uint64_t left = totalFrames - position;
    const auto todo = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, left));

    for (std::uint32_t i = 0; i < todo; ++i) {
        if (sectionFrame == sections[sectionIndex].frameCount) {
            StartSection(sectionIndex + 1);
        }
        const RecordingSection& section = sections[sectionIndex];
        const float whiteLeft = NextNoise();
        const float whiteRight = NextNoise();
        noiseLowLeft += 0.3f * (whiteLeft - noiseLowLeft);
        noiseLowRight += 0.3f * (whiteRight - noiseLowRight);
        float outLeft = 0;
        float outRight = 0;

        if (!section.isTrack) {
            // Room tone: low-passed noise, never louder than its bound.
            outLeft = noiseLowLeft * kPauseNoisePeak;
            outRight = noiseLowRight * kPauseNoisePeak;
        } else {
            RenderTrackFrame(section, whiteLeft, whiteRight, outLeft, outRight);
        }
        if (settings.masterGain != 1.0) {
            outLeft *= static_cast<float>(settings.masterGain);
            outRight *= static_cast<float>(settings.masterGain);
        }
        AddArtefacts(outLeft, outRight);
        frames[i] = Quantise(outLeft, outRight);
        ++sectionFrame;
    }
    position += todo;
    return todo;
}
