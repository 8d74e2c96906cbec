// A temporary input and output folder for driving RunSplitJob; restores the
// working directory the job changes.
#pragma once

#include "FakeHost.h"
#include "Messages.h"
#include "Recordings.h"
#include "SegmentWriter.h"
#include "SplitJob.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

// At 1000 Hz, 1500-frame tracks and 300-frame pauses: with the fixture's 100-frame
// windows and 1000-frame minimum track, the splits fall every 1800 frames.
inline constexpr std::uint32_t kTrack = 1500;
inline constexpr std::uint32_t kPause = 300;

class JobTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        outputDir = temp.path() / "out";
        std::filesystem::create_directory(outputDir);
        inputPath = temp.file("input.wav");
    }
    void TearDown() override { std::filesystem::current_path(previousDirectory); }

    // One-second minimum track and 100 ms windows: at 1000 Hz, M = 1000 and w = 100.
    SplitOptions Options() const {
        SplitOptions options;
        options.inputPath = inputPath;
        options.outputFolder = outputDir.string();
        options.silenceLengthMs = 100;
        options.minTrackLengthSec = 1;
        return options;
    }

    // The names the writer gives, in the folder's full form.
    std::vector<std::string> Names(const std::string& prefix, std::uint32_t count) const {
        std::vector<std::string> names;
        const std::string folder = std::filesystem::canonical(outputDir).string();
        for (std::uint32_t n = 1; n <= count; ++n) {
            names.push_back(SegmentFileName(folder, prefix, n, count));
        }
        return names;
    }

    std::set<std::string> FilesInOutput() const {
        std::set<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(outputDir)) {
            files.insert(entry.path().filename().string());
        }
        return files;
    }

    static void ExpectOnlyError(const FakeHost& host, const std::string& text) {
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, text);
        EXPECT_EQ(host.messages[0].caption, messages::kErrorCaption);
        EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
    }

    testing_support::TempDir temp;
    std::filesystem::path outputDir;
    std::string inputPath;
    std::filesystem::path previousDirectory;
};
