// quernfold-split run in a fresh folder on recordings built from stretches of
// sound and quiet.
#pragma once

#include "ProgramRun.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cli_testing::ProgramResult;
using cli_testing::RunProgram;

inline constexpr int kRate = 8000;

// A mono 16-bit recording at 8000 Hz from stretches of sound and of quiet: sound
// alternates +-amplitude (every frame as loud as that), quiet is a fixed pattern.
struct Stretch {
    int frames;
    std::int16_t amplitude; // 0: digital silence
};

inline std::vector<std::int16_t> Samples(const std::vector<Stretch>& stretches) {
    std::vector<std::int16_t> samples;
    for (const Stretch& stretch : stretches) {
        for (int i = 0; i < stretch.frames; ++i) {
            samples.push_back(
                static_cast<std::int16_t>(i % 2 ? -stretch.amplitude : stretch.amplitude));
        }
    }
    return samples;
}

class SplitCli : public testing::Test {
protected:
    void SetUp() override { fs::create_directory(dir.path() / "out"); }

    std::string MakeRecording(const std::string& name, const std::vector<Stretch>& stretches) {
        testing_support::WriteTestWav(dir.file(name), kRate, 1, 16, Samples(stretches));
        return name;
    }

    ProgramResult Split(const std::vector<std::string>& arguments, const std::string& input = "") {
        return RunProgram(SPLIT_PROGRAM, arguments, dir.path().string(), input);
    }

    std::vector<std::string> FilesIn(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path() / folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The input's sample bytes from frame first up to frame end (mono 16-bit).
    std::vector<std::uint8_t> InputBytes(const std::vector<Stretch>& stretches, int first,
                                         int end) const {
        std::vector<std::int16_t> samples = Samples(stretches);
        return testing_support::PackSamples(
            16, std::vector<std::int16_t>(samples.begin() + first, samples.begin() + end));
    }

    testing_support::TempDir dir;
};
