#include "OptionRules.h"

// Every byte but '/' and NUL is allowed in a name here; a mounted file system
// that refuses some (FAT, exFAT) is found out when the output folder is tried.
std::optional<std::string> PlatformPrefixProblem(const std::string&) {
    return std::nullopt;
}
