#include "TerminalHost.h"

#include "CueSheet.h"
#include "FileSystem.h"
#include "LabelFile.h"
#include "Messages.h"
#include "OutputFiles.h"
#include "PathText.h"
#include "SegmentWriter.h"
#include "SplitPlan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr int kBarWidth = 20;

} // namespace

TerminalProgress::TerminalProgress(bool draw, TerminalProgress** registration)
    : draw(draw), registration(registration) {
    *registration = this;
}

TerminalProgress::~TerminalProgress() {
    Clear();
    if (*registration == this) {
        *registration = nullptr;
    }
}

bool TerminalProgress::BeginModal(const std::string&, bool) {
    return true;
}

std::int64_t TerminalProgress::SetRange(std::int64_t newLower, std::int64_t newUpper,
                                        std::int64_t) {
    lower = newLower;
    upper = newUpper;
    return 0;
}

std::int64_t TerminalProgress::SetPos(std::int64_t pos) {
    const std::int64_t previous = position;
    position = pos;
    const bool reappeared = !visible;
    visible = true;
    Draw(reappeared);
    return previous;
}

void TerminalProgress::PumpMessages(bool) {
    Draw(false);
}

bool TerminalProgress::IsCancelled() const {
    return IsCancelRequested();
}

void TerminalProgress::Hide() {
    Clear();
    visible = false;
}

void TerminalProgress::ShowStatus(const std::string& text) {
    status = text;
    Draw(false);
}

void TerminalProgress::Clear() {
    if (lineShown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        lineShown = false;
    }
}

void TerminalProgress::Draw(bool force) {
    if (!draw || !visible) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (lineShown && !force && now - lastDraw < kRedrawInterval) {
        return;
    }
    lastDraw = now;

    const std::int64_t span = upper - lower;
    int percent = 0;
    if (span > 0) {
        const std::int64_t done = std::clamp<std::int64_t>(position - lower, 0, span);
        percent = static_cast<int>(done * 100 / span);
    }
    char bar[kBarWidth + 1];
    const int filled = percent * kBarWidth / 100;
    std::memset(bar, '#', static_cast<std::size_t>(filled));
    std::memset(bar + filled, '.', static_cast<std::size_t>(kBarWidth - filled));
    bar[kBarWidth] = '\0';

    // The status line is cut to fit, so the line never wraps and \r redraws it in place.
    const int room = std::max(0, TerminalColumns() - 1 - (kBarWidth + 8));
    std::string text = status.substr(0, static_cast<std::size_t>(room));
    std::fprintf(stderr, "\r\033[K%s [%s] %3d%%", text.c_str(), bar, percent);
    std::fflush(stderr);
    lineShown = true;
}

namespace {

// Opened now, against the folder the program started in: the engine changes the
// working directory before the file is written.
void OpenSideFileFolder(const std::string& given, OutputFolder& folder, std::string& name) {
    if (given.empty()) {
        return;
    }
    const std::filesystem::path path = PathFromUtf8(given);
    name = Utf8FromPath(path.filename());
    folder.Open(path.has_parent_path() ? Utf8FromPath(path.parent_path()) : ".");
}

} // namespace

TerminalHost::TerminalHost(Settings settings)
    : settings(std::move(settings)), recording(this->settings.recordingGiven) {
    OpenSideFileFolder(this->settings.labelsGiven, labelFile.folder, labelFile.name);
    OpenSideFileFolder(this->settings.cueSheetGiven, cueSheet.folder, cueSheet.name);
}

std::unique_ptr<ProgressDisplay> TerminalHost::CreateProgress(const std::string&, bool) {
    return std::make_unique<TerminalProgress>(settings.showProgress, &progress);
}

Answer TerminalHost::ShowMessage(const std::string& text, const std::string& caption,
                                 MessageKind kind) {
    if (progress != nullptr) {
        progress->Clear();
    }
    if (kind == MessageKind::Error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        return Answer::Ok;
    }
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        // A report nobody can read (a full disk, a closed pipe) is no reason to
        // write files, and a dry run that loses its report has failed.
        if (!reportFailed) {
            std::fprintf(stderr, "Error: The report could not be written to standard output.\n");
        }
        reportFailed = true;
        return Answer::Cancel;
    }
    if (kind != MessageKind::Question) {
        return Answer::Ok;
    }
    // A Ctrl+C during the last, uncancellable stretch of the analysis still
    // means no file is started.
    if (labelFileFailed || IsCancelRequested()) {
        return Answer::Cancel;
    }
    if (settings.dryRun) {
        WritePendingSideFiles();
        return Answer::Cancel;
    }
    const bool proceed = settings.answerYes || ReadConfirmation();
    return proceed && WritePendingSideFiles() ? Answer::Ok : Answer::Cancel;
}

void TerminalHost::ShowNotice(const std::string& text) {
    if (std::find(noticesShown.begin(), noticesShown.end(), text) != noticesShown.end()) {
        return;
    }
    noticesShown.push_back(text);
    if (progress != nullptr) {
        progress->Clear();
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", messages::kWarningCaption, text.c_str());
    std::fflush(stderr);
}

bool TerminalHost::ReadConfirmation() {
    const std::string line = ReadAnswerLine();
    if (IsCancelRequested() || line.size() > kMaxAnswerBytes) {
        return false; // a line too long to be an answer is no "yes"
    }
    // Blanks around the answer (and a CR from a CRLF line) do not change it.
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    std::string answer = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

void TerminalHost::PlanReady(const SplitPlan& plan, std::uint32_t frameCount,
                             std::uint32_t sampleRate) {
    // Written once the answer is known (or in a dry run), so a "no" leaves the
    // disk as it was.
    pendingTrackNames.clear();
    for (std::uint32_t number = 1; number <= plan.segmentCount; ++number) {
        pendingTrackNames.push_back(
            TrackFileName(settings.fileNamePrefix, settings.naming, number, plan.segmentCount));
    }
    if (!settings.labelsPath.empty()) {
        labelFile.text =
            FormatLabels(plan, frameCount, sampleRate, settings.fileNamePrefix, settings.naming);
        labelFile.pending = true;
    }
    if (!settings.cueSheetPath.empty()) {
        cueSheet.text = FormatCueSheet(plan, frameCount, sampleRate,
                                       CueSheetAudioPath(settings.inputPath, settings.cueSheetPath),
                                       settings.naming);
        cueSheet.pending = true;
    }
}

bool TerminalHost::WritePendingSideFiles() {
    return WriteSideFile("label file", settings.labelsPath, labelFile, IsLabelText) &&
           WriteSideFile("cue sheet", settings.cueSheetPath, cueSheet, IsCueSheetText);
}

bool TerminalHost::WriteSideFile(const char* what, const std::string& path, SideFile& file,
                                 bool (*accepts)(const std::string&, std::string&)) {
    if (!file.pending) {
        return true;
    }
    file.pending = false;
    // The working directory is the output folder by now.
    OutputFolder outputFolder;
    outputFolder.Open(".");
    std::string why;
    const LabelFileResult result = WriteLabelFile(file.folder, file.name, file.text, recording,
                                                  outputFolder, pendingTrackNames, accepts, why);
    if (result == LabelFileResult::Written) {
        return true;
    }
    // Writing the tracks without the cuts the user asked to review would be a
    // failure reported as success, so the report is answered with Cancel.
    labelFileFailed = true;
    labelFileRefused = result == LabelFileResult::NotLabelFile;
    if (progress != nullptr) {
        progress->Clear();
    }
    std::fprintf(stderr, "Error: %s\n", SideFileFailureText(what, path, result, why).c_str());
    return false;
}
