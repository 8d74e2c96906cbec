#include "SpecialFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace testing_support {

std::string NonRegularFileIn(const std::filesystem::path& folder) {
    const std::string pipe = (folder / "pipe.wav").string();
    EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0) << pipe;
    return pipe;
}

} // namespace testing_support
