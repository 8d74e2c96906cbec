#include "OptionRules.h"

// Every output file is a Windows file name here.
std::optional<std::string> PlatformPrefixProblem(const std::string& prefix) {
    return WindowsPrefixProblem(prefix);
}
