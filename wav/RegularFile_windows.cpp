#include "RegularFile.h"

#include <filesystem>
#include <system_error>

// Checked before the open: on Windows opening a device or pipe name does not block
// the way a POSIX FIFO does, so the small window between check and open is harmless.
std::FILE* OpenRegularFile(const char* path, RegularFileMode mode, RegularFileProblem& problem) {
    problem = RegularFileProblem::CannotOpen;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    const bool absent = status.type() == std::filesystem::file_type::not_found;
    if (absent && mode == RegularFileMode::Read) {
        problem = RegularFileProblem::Missing;
        return nullptr;
    }
    if (!absent && status.type() != std::filesystem::file_type::regular) {
        if (!error) {
            problem = RegularFileProblem::NotRegularFile;
        }
        return nullptr;
    }
    const char* modeText = mode == RegularFileMode::Read      ? "rb"
                           : mode == RegularFileMode::Replace ? "wb"
                                                              : "wbx";
    std::FILE* file = std::fopen(path, modeText);
    if (file != nullptr) {
        problem = RegularFileProblem::None;
    }
    return file;
}
