// quernfold-split run on recordings from make-recording, made once for all the
// tests, with checks that every file left behind is whole.
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
using testing_support::ReadFileBytes;

inline std::uint32_t LE32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Every *.wav in folder opens as a WAV file and its header claims exactly the
// bytes it holds (the writer lays down the 44-byte header). Returns the names.
inline std::vector<std::string> ExpectEveryWavWhole(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".wav") {
            continue;
        }
        names.push_back(entry.path().filename().string());
        const std::vector<std::uint8_t> bytes = ReadFileBytes(entry.path().string());
        if (bytes.size() < 44) {
            ADD_FAILURE() << entry.path() << " is shorter than a header";
            continue;
        }
        EXPECT_EQ(LE32(bytes, 4), bytes.size() - 8) << entry.path();
        EXPECT_EQ(LE32(bytes, 40), bytes.size() - 44) << entry.path();
        EXPECT_TRUE(testing_support::ReadTestWav(entry.path().string()).opened) << entry.path();
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class OutputSafety : public testing::Test {
protected:
    static void SetUpTestSuite() { shared = new testing_support::TempDir; }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }

    // Five minutes in six tracks: several files of megabytes each, for the tests
    // that stop or race a run in the middle of its writing.
    static std::string Long() { return Made("long.wav", {"--length", "300", "--tracks", "6"}); }
    // Short, for the tests that do not need a long write.
    static std::string Short() {
        return Made("short.wav",
                    {"--rate", "8000", "--channels", "1", "--track-sec", "35", "--tracks", "3"});
    }
    static std::string Made(const std::string& name, std::vector<std::string> options) {
        const std::string path = shared->file(name);
        if (!fs::exists(path)) {
            options.push_back(name);
            ProgramResult made =
                RunProgram(MAKE_RECORDING_PROGRAM, options, shared->path().string());
            EXPECT_EQ(made.exitStatus, 0) << made.err;
        }
        return path;
    }
    fs::path Folder(const std::string& name) const {
        fs::create_directories(dir.path() / name);
        return dir.path() / name;
    }
    ProgramResult Split(const std::vector<std::string>& arguments) const {
        return RunProgram(SPLIT_PROGRAM, arguments, dir.path().string());
    }

    inline static testing_support::TempDir* shared = nullptr;
    testing_support::TempDir dir;
};
