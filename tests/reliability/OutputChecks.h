// Checks of what a run leaves in the output folder, against the files an
// undisturbed run of the same job writes.
#pragma once

#include "JobFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using FileBytes = std::vector<std::uint8_t>;

// Every file in `folder` by name, with its bytes.
std::map<std::string, FileBytes> ReadFolder(const std::filesystem::path& folder);

// Removes everything in `folder`, keeping the folder.
void EmptyFolder(const std::filesystem::path& folder);

// The file opens as a WAV file (ReadTestWav), and its header claims exactly the
// frames it holds.
void ExpectWholeWav(const std::string& path);

// `present` is the first files of `reference` (in the order of `names`, which
// are bare file names), unchanged, and nothing else. When `partialAllowed`, one
// more file may follow them: a whole WAV file whose samples are a prefix of the
// reference file's samples. Returns how many reference files are complete.
std::size_t ExpectPrefixOfReference(const std::filesystem::path& folder,
                                    const std::vector<std::string>& names,
                                    const std::map<std::string, FileBytes>& reference,
                                    bool partialAllowed);

// The bare names of `count` files with the default prefix "Track".
std::vector<std::string> TrackNames(std::uint32_t count);

// The figures the tests print for docs/reliability.md, one line per test.
void ReportFigure(const std::string& what, std::int64_t count);
