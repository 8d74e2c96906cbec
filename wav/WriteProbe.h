// Whether files can be created in a folder, tried by creating one: permissions,
// read-only mounts, immutable folders, full quotas and the names a file system
// takes are all the system's to judge, so the program asks it rather than
// guessing. One implementation per platform.
#pragma once

#include <string>

struct WriteProbe {
    bool created = false;     // a file was created there, and removed again
    bool nameRefused = false; // the file system does not take the name tried
    std::string reason;       // the system's own words when nothing was created
};

// Creates, exclusively, a hidden temporary file in `folder` whose name holds
// `nameText` (UTF-8; empty tries the folder alone), then removes it at once.
WriteProbe ProbeFileCreation(const std::string& folder, const std::string& nameText);

// The probe's file name for nameText and a unique number: "." nameText, eight
// hexadecimal digits, ".part".
std::string ProbeFileName(const std::string& nameText, unsigned number);
