// Whether files can be created in a folder, tried by creating one: permissions,
// read-only mounts, immutable folders, full quotas and the names a file system
// takes are all the system's to judge, so the program asks it rather than
// guessing. OutputFolder::ProbeCreation tries it.
#pragma once

#include <string>

struct WriteProbe {
    bool created = false;     // a file was created there, and removed again
    bool nameRefused = false; // the file system does not take the name tried
    std::string reason;       // the system's own words when nothing was created
};
