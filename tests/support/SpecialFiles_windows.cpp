#include "SpecialFiles.h"

namespace testing_support {

std::string NonRegularFileIn(const std::filesystem::path& folder) {
    // NUL names the null device in every folder.
    return (folder / "NUL").string();
}

} // namespace testing_support
