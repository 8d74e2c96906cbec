// Every output file whole or absent, and never in the place of the recording.
// Files are written under a temporary dot-name ending in ".part" in the output
// folder, created exclusively and locked while the run lives, and renamed onto
// their final names only once complete and closed; the folder is held open, so
// every name is taken in the folder that was chosen. Whatever ends the process,
// no finished-looking name ever holds a partial file, and an earlier file of
// that name stays whole until it is replaced. A killed run can leave a ".part"
// file behind; the next run in that folder removes it (a live run's files are
// locked and kept).
#pragma once

#include "FileSystem.h"
#include "OutputFolder.h"

#include <optional>
#include <string>

// The recording a run reads, as the output checks need it.
class RecordingWatch {
public:
    // Looks at the file at path (as the working directory resolves it now): its
    // identity, size, modification time and folder; and holds it to look again.
    explicit RecordingWatch(const std::string& path);

    // Whether name in folder is the recording: the same file, however reached,
    // or, when the recording lies in that very folder, a name its file system
    // may take for the recording's (case and accents ignored).
    bool IsRecording(const OutputFolder& folder, const std::string& name) const;
    // Whether the file still has the size and modification time it had.
    bool Unchanged() const;

private:
    WatchedFile file;
    std::string name;
    std::optional<FileStamp> stamp;
    std::optional<FileIdentity> folderIdentity;
};

// Whether a file may be put at name in folder: nothing is there, or a regular
// file is (a FIFO, device or folder is never replaced).
bool MayReplace(const OutputFolder& folder, const std::string& name);

// Whether names a and b, in folders a and b, may be one file: the same
// existing file, or the same folder and names a case-blind disk takes alike.
bool MayBeSameFile(const OutputFolder& folderA, const std::string& a, const OutputFolder& folderB,
                   const std::string& b);
