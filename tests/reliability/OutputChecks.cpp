#include "OutputChecks.h"

#include "WavBytes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
constexpr std::size_t kHeaderBytes = 44;
} // namespace

std::map<std::string, FileBytes> ReadFolder(const std::filesystem::path& folder) {
    std::map<std::string, FileBytes> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] =
            testing_support::ReadFileBytes(entry.path().string());
    }
    return files;
}

void EmptyFolder(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::filesystem::remove_all(entry.path());
    }
}

void ExpectWholeWav(const std::string& path) {
    SCOPED_TRACE(path);
    const testing_support::WavContents view = testing_support::ReadTestWav(path);
    ASSERT_TRUE(view.opened) << "it does not open as a WAV file";
    const FileBytes bytes = testing_support::ReadFileBytes(path);
    ASSERT_GE(bytes.size(), kHeaderBytes);
    const std::uint32_t claimed = wavbytes::Get32(bytes, 40);
    EXPECT_EQ(claimed, bytes.size() - kHeaderBytes) << "data size in the header";
    EXPECT_EQ(wavbytes::Get32(bytes, 4), bytes.size() - 8) << "RIFF size in the header";
    const std::int64_t frameBytes = static_cast<std::int64_t>(view.channels) * view.bits / 8;
    EXPECT_EQ(view.frames * frameBytes, static_cast<std::int64_t>(claimed));
}

std::size_t ExpectPrefixOfReference(const std::filesystem::path& folder,
                                    const std::vector<std::string>& names,
                                    const std::map<std::string, FileBytes>& reference,
                                    bool partialAllowed) {
    const std::map<std::string, FileBytes> present = ReadFolder(folder);
    std::size_t complete = 0;
    while (complete < names.size() && present.count(names[complete]) != 0 &&
           present.at(names[complete]) == reference.at(names[complete])) {
        ExpectWholeWav((folder / names[complete]).string());
        ++complete;
    }
    std::size_t expectedCount = complete;
    if (complete < names.size() && present.count(names[complete]) != 0) {
        const std::string& name = names[complete];
        EXPECT_TRUE(partialAllowed) << name << " is present but differs from a complete run's";
        ExpectWholeWav((folder / name).string());
        const FileBytes& got = present.at(name);
        const FileBytes& full = reference.at(name);
        EXPECT_LE(got.size(), full.size()) << name;
        if (got.size() >= kHeaderBytes && got.size() <= full.size()) {
            // Same format fields, and the samples so far are the complete run's.
            EXPECT_TRUE(std::equal(got.begin() + 8, got.begin() + 40, full.begin() + 8)) << name;
            EXPECT_TRUE(
                std::equal(got.begin() + kHeaderBytes, got.end(), full.begin() + kHeaderBytes))
                << name << " holds samples the complete run does not";
        }
        ++expectedCount;
    }
    EXPECT_EQ(present.size(), expectedCount) << "files beyond the prefix, or foreign files";
    return complete;
}

std::vector<std::string> TrackNames(std::uint32_t count) {
    std::vector<std::string> names;
    for (std::uint32_t n = 1; n <= count; ++n) {
        names.push_back(
            std::filesystem::path(SegmentFileName("", "Track", n, count)).filename().string());
    }
    return names;
}

void ReportFigure(const std::string& what, std::int64_t count) {
    std::printf("[figure] %s: %lld\n", what.c_str(), static_cast<long long>(count));
}
