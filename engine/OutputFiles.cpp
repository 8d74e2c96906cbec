#include "OutputFiles.h"

#include "NameFolding.h"
#include "PathText.h"

RecordingWatch::RecordingWatch(const std::string& path) : file(path), stamp(file.Stamp()) {
    const std::filesystem::path given = PathFromUtf8(path);
    name = Utf8FromPath(given.filename());
    folderIdentity = IdentityOf(given.has_parent_path() ? Utf8FromPath(given.parent_path()) : ".");
}

bool RecordingWatch::IsRecording(const OutputFolder& folder, const std::string& candidate) const {
    if (!stamp) {
        return false;
    }
    const std::optional<FileIdentity> existing = folder.IdentityOf(candidate);
    if (existing && *existing == stamp->identity) {
        return true;
    }
    return folderIdentity && folderIdentity == folder.Identity() &&
           SameNameIgnoringCase(candidate, name);
}

bool RecordingWatch::Unchanged() const {
    return stamp && file.Stamp() == stamp;
}

bool MayReplace(const OutputFolder& folder, const std::string& name) {
    return folder.KindOf(name) != FileKind::Other;
}

bool MayBeSameFile(const OutputFolder& folderA, const std::string& a, const OutputFolder& folderB,
                   const std::string& b) {
    const std::optional<FileIdentity> first = folderA.IdentityOf(a);
    if (first && first == folderB.IdentityOf(b)) {
        return true;
    }
    const std::optional<FileIdentity> folder = folderA.Identity();
    return folder && folder == folderB.Identity() && SameNameIgnoringCase(a, b);
}
