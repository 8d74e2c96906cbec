#include "WriteProbe.h"

#include <cstdio>

std::string ProbeFileName(const std::string& nameText, unsigned number) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", number & 0xFFFFFFFFu);
    return "." + nameText + digits + ".part";
}
