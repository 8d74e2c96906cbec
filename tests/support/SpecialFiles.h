// Names in a folder that are no regular file, made the way the system allows.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A name in `folder` that is no regular file and that nobody writes to: a FIFO
// where the system has them (opening it for reading would wait for a writer),
// the null device's reserved name otherwise.
std::string NonRegularFileIn(const std::filesystem::path& folder);

} // namespace testing_support
