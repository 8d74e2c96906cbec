// File names as case-blind file systems (exFAT, FAT, NTFS, APFS) compare them:
// regardless of case and of composed or decomposed accents. The folding covers
// the Latin, Greek and Cyrillic scripts; other characters compare as they are,
// so two names it calls different may still be one on some disk, never the
// other way round for those scripts.
#pragma once

#include <string>

// The name in one canonical form: decomposed (NFD) and case-folded with the
// simple folding. Bytes that are not valid UTF-8 are kept as they are.
std::u32string FoldedName(const std::string& utf8);

// Whether a case-blind file system may take a and b for the same name.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);
