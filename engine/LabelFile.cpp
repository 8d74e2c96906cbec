#include "LabelFile.h"

#include "Messages.h"
#include "PathText.h"
#include "SegmentWriter.h"
#include "TextLines.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>

namespace {

// Fixed six decimals with '.' whatever the locale, as label files expect.
void AppendSeconds(std::string& out, std::uint32_t frame, std::uint32_t sampleRate) {
    char buffer[64];
    const double seconds = static_cast<double>(frame) / sampleRate;
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6);
    out.append(buffer, error == std::errc() ? end : buffer);
}

// A file with NUL bytes is no text file of any kind: a recording, most likely.
bool HoldsBinaryData(const std::string& text, std::string& why) {
    if (text.find('\0') == std::string::npos) {
        return false;
    }
    why = "it holds binary data, not lines of text";
    return true;
}

} // namespace

std::string FormatLabels(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate,
                         const std::string& fileNamePrefix, const TrackNaming& naming) {
    std::string labels;
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, frameCount);
    const auto count = static_cast<std::uint32_t>(spans.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name = TrackTitle(naming, i + 1);
        if (name.empty()) {
            name = TrackFileName(fileNamePrefix, naming, i + 1, plan.segmentCount);
        }
        // A line break in a title would start a label of its own.
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; },
            ' ');
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".wav") == 0) {
            name.resize(name.size() - 4);
        }
        AppendSeconds(labels, spans[i].firstFrame, sampleRate);
        labels += '\t';
        AppendSeconds(labels, spans[i].endFrame, sampleRate);
        labels += '\t';
        labels += name;
        labels += '\n';
    }
    return labels;
}

bool IsLabelText(const std::string& text, std::string& why) {
    if (HoldsBinaryData(text, why)) {
        return false;
    }
    std::size_t lineNumber = 0;
    for (const std::string_view line : TextLines(text)) {
        ++lineNumber;
        const std::size_t firstTab = line.find('\t');
        const std::size_t secondTab =
            firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
        double seconds = 0;
        const auto isNumber = [&line, &seconds](std::size_t from, std::size_t to) {
            const auto [end, error] =
                std::from_chars(line.data() + from, line.data() + to, seconds);
            return from < to && error == std::errc() && end == line.data() + to;
        };
        if (secondTab == std::string_view::npos || !isNumber(0, firstTab) ||
            !isNumber(firstTab + 1, secondTab)) {
            why = "line " + std::to_string(lineNumber) + " is not start<TAB>end<TAB>name";
            return false;
        }
    }
    return true;
}

bool IsCueSheetText(const std::string& text, std::string& why) {
    static const char* const kCommands[] = {
        "REM",   "FILE", "TRACK",  "INDEX",   "TITLE",   "PERFORMER", "SONGWRITER",
        "FLAGS", "ISRC", "PREGAP", "POSTGAP", "CATALOG", "CDTEXTFILE"};
    if (HoldsBinaryData(text, why)) {
        return false;
    }
    std::size_t lineNumber = 0;
    for (const std::string_view line : TextLines(text)) {
        ++lineNumber;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) {
            continue;
        }
        const std::string_view word = line.substr(first, line.find_first_of(" \t", first) - first);
        if (std::none_of(std::begin(kCommands), std::end(kCommands),
                         [&word](const char* command) { return word == command; })) {
            why = "line " + std::to_string(lineNumber) + " is not a cue command";
            return false;
        }
    }
    return true;
}

namespace {

// The largest file looked at for being a label file: one line per track of the
// longest plan fits many times over.
constexpr std::size_t kLargestLabelFile = 16 * 1024 * 1024;

} // namespace

LabelFileResult CheckSideFile(const OutputFolder& folder, const std::string& name,
                              const RecordingWatch& recording, const OutputFolder& outputFolder,
                              const std::vector<std::string>& trackNames,
                              bool (*accepts)(const std::string&, std::string&), std::string& why) {
    if (recording.IsRecording(folder, name)) {
        return LabelFileResult::IsRecording;
    }
    for (const std::string& track : trackNames) {
        if (MayBeSameFile(folder, name, outputFolder, track)) {
            return LabelFileResult::IsTrack;
        }
    }
    switch (folder.KindOf(name)) {
    case FileKind::Missing:
        return LabelFileResult::Written;
    case FileKind::Other:
        return LabelFileResult::Failed;
    case FileKind::Regular:
        break;
    }
    const std::optional<std::string> existing = folder.ReadStart(name, kLargestLabelFile + 1);
    if (!existing) {
        return LabelFileResult::Failed;
    }
    if (existing->size() > kLargestLabelFile) {
        why = "it is larger than any label file";
        return LabelFileResult::NotLabelFile;
    }
    return accepts(*existing, why) ? LabelFileResult::Written : LabelFileResult::NotLabelFile;
}

std::string SideFileFailureText(const char* what, const std::string& path, LabelFileResult result,
                                const std::string& why) {
    switch (result) {
    case LabelFileResult::IsRecording:
        return FormatText(messages::kSideFileIsRecording, what, path.c_str());
    case LabelFileResult::IsTrack:
        return FormatText(messages::kSideFileIsTrack, what, path.c_str());
    case LabelFileResult::NotLabelFile:
        return FormatText(messages::kSideFileNotReplaced, what, path.c_str(), what, why.c_str());
    case LabelFileResult::Written:
    case LabelFileResult::Failed:
        break;
    }
    return FormatText(messages::kSideFileNotWritten, what, path.c_str());
}

LabelFileResult WriteLabelFile(OutputFolder& folder, const std::string& name,
                               const std::string& labels, const RecordingWatch& recording,
                               const OutputFolder& outputFolder,
                               const std::vector<std::string>& trackNames,
                               bool (*accepts)(const std::string&, std::string&),
                               std::string& why) {
    if (name.empty() || name == "." || name == ".." || !folder.IsOpen()) {
        return LabelFileResult::Failed;
    }
    LabelFileResult result =
        CheckSideFile(folder, name, recording, outputFolder, trackNames, accepts, why);
    if (result != LabelFileResult::Written) {
        return result;
    }
    TemporaryFile temporary;
    if (!folder.CreateTemporary(temporary)) {
        return LabelFileResult::Failed;
    }
    std::FILE* file = temporary.ReleaseStream();
    const bool written = std::fwrite(labels.data(), 1, labels.size(), file) == labels.size();
    if (std::fclose(file) != 0 || !written) {
        return LabelFileResult::Failed;
    }
    // The folder may have changed while the file was written.
    result = CheckSideFile(folder, name, recording, outputFolder, trackNames, accepts, why);
    if (result != LabelFileResult::Written) {
        return result;
    }
    return folder.Commit(temporary, name, true) == CommitResult::Committed
               ? LabelFileResult::Written
               : LabelFileResult::Failed;
}

LabelFileResult SaveLabelFile(const std::string& path, const std::string& labels,
                              const std::string& recordingPath, const std::string& outputFolderPath,
                              const std::vector<std::string>& trackNames, std::string& why) {
    const std::filesystem::path chosen = PathFromUtf8(path);
    const std::string folderPath = Utf8FromPath(
        chosen.parent_path().empty() ? std::filesystem::path(".") : chosen.parent_path());
    OutputFolder folder;
    OutputFolder outputFolder;
    if (!folder.Open(folderPath) || !outputFolder.Open(outputFolderPath)) {
        return LabelFileResult::Failed;
    }
    const RecordingWatch recording(recordingPath);
    return WriteLabelFile(folder, Utf8FromPath(chosen.filename()), labels, recording, outputFolder,
                          trackNames, IsLabelText, why);
}
