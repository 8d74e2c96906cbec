// A folder that files are written into, held open for the whole run: every
// name is looked up in the folder that was opened, whatever its path comes to
// point at meanwhile (a folder renamed, or replaced by a link, while the user
// answers a question). One implementation per platform: a directory descriptor
// on POSIX; on Windows a handle that keeps the folder from being moved, and the
// folder's resolved path, checked against the handle before every change.
#pragma once

#include "FileSystem.h"
#include "WriteProbe.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class OutputFolder;

// A new file under a temporary name in an output folder, locked for as long as
// this object lives, so that no other run takes it for a leftover. Writing goes
// through the stream; Release hands it over to the caller (who then closes it),
// Commit puts the closed file onto its final name. Destroyed uncommitted, the
// file is removed.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Name() const { return name; }
    // The stream for writing; the caller owns it from now and closes it.
    std::FILE* ReleaseStream();

private:
    friend class OutputFolder;
    OutputFolder* folder = nullptr;
    std::string name;
    std::FILE* stream = nullptr;
    std::intptr_t lock = -1; // the descriptor or handle that holds the lock
};

enum class CommitResult {
    Committed,   // the final name holds the file
    NameTaken,   // replacing was not allowed and a file of that name exists
    RenameFailed // the system refused the rename
};

class OutputFolder {
public:
    OutputFolder() = default;
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Opens the folder at path (links followed); false when it is no folder.
    bool Open(const std::string& path);
    bool IsOpen() const;

    // The folder's own identity.
    std::optional<FileIdentity> Identity() const;
    // What is at name in the folder (links followed).
    std::optional<FileIdentity> IdentityOf(const std::string& name) const;
    FileKind KindOf(const std::string& name) const;

    // Up to maxBytes of the regular file at name; no value when it cannot be read.
    std::optional<std::string> ReadStart(const std::string& name, std::size_t maxBytes) const;

    // A fresh temporary file in the folder, created exclusively and locked.
    bool CreateTemporary(TemporaryFile& file);
    // Renames the closed temporary file onto name (replacing a file there only
    // when replace is set). On any result but Committed the temporary file is
    // removed.
    CommitResult Commit(TemporaryFile& file, const std::string& name, bool replace);
    // Removes the temporary file now.
    void Discard(TemporaryFile& file);

    // Creates, exclusively, a temporary file whose name holds nameText (UTF-8;
    // empty tries the folder alone) and removes it at once. Its name is one a
    // run's clean-up takes for a leftover, should the run be killed meanwhile.
    WriteProbe ProbeCreation(const std::string& nameText) const;

    // Removes the temporary files that runs left in the folder and no live run
    // holds any more; the number removed.
    int RemoveLeftovers();

private:
    bool RemoveName(const std::string& name);
    void ReleaseLock(TemporaryFile& file);

    std::intptr_t handle = -1;
    std::string resolvedPath; // Windows: the folder's final path
};

// Whether name is one a run gives its temporary files.
bool IsTemporaryName(const std::string& name);
// A fresh temporary name, different on every call.
std::string FreshTemporaryName();
// A fresh temporary name that holds nameText, for trying whether the folder's
// file system takes it.
std::string FreshProbeName(const std::string& nameText);
