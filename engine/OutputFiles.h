// Every output file whole or absent. A file is written under a temporary
// dot-name ending in ".part" in its own folder, created exclusively (so two runs
// never share one), and renamed onto its final name only once it is complete and
// closed. Whatever ends the process, no finished-looking name ever holds a partial
// file, an earlier file of that name stays whole until it is replaced, and a hard
// link to it elsewhere keeps the old bytes. A killed run can leave a ".part" file
// behind; no run reuses or reads one.
#pragma once

#include <string>

// Whether a and b name the same existing file, however spelled (links, case,
// short names and prefixes included): the files' identities are compared.
bool SameFile(const std::string& a, const std::string& b);

// Whether a file may be put at path: nothing is there, or a regular file is (a
// FIFO, device or folder is never replaced).
bool MayReplace(const std::string& path);

// A fresh temporary name in the folder of finalPath, different on every call.
std::string TemporaryNameFor(const std::string& finalPath);

// Puts the closed temporary file onto its final name when MayReplace allows it;
// otherwise, or when the rename fails, removes the temporary file. True when the
// final name now holds it.
bool CommitTemporary(const std::string& temporaryPath, const std::string& finalPath);

// Writes bytes as the whole file at path, through a temporary file: true when
// path now holds exactly them; otherwise nothing is left and path is unchanged.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
