#include "TerminalHost.h"

#include "FileSystem.h"
#include "LabelFile.h"
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

bool TerminalProgress::BeginModal(const char*, int) {
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

void TerminalProgress::SetStatusText(const char* text) {
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

TerminalHost::TerminalHost(Settings settings)
    : settings(std::move(settings)), recording(this->settings.inputPath) {
    if (!this->settings.labelsGiven.empty()) {
        // Opened now, against the folder the program started in: the engine
        // changes the working directory before the label file is written.
        const std::filesystem::path given = PathFromUtf8(this->settings.labelsGiven);
        labelName = Utf8FromPath(given.filename());
        labelFolder.Open(given.has_parent_path() ? Utf8FromPath(given.parent_path()) : ".");
    }
}

std::unique_ptr<ProgressDisplay> TerminalHost::CreateProgress(const char*, int) {
    return std::make_unique<TerminalProgress>(settings.showProgress, &progress);
}

int TerminalHost::ShowMessage(const std::string& text, const char* caption, unsigned style) {
    if (progress != nullptr) {
        progress->Clear();
    }
    if ((style & MB_ICONERROR) != 0) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
        std::fflush(stderr);
        return IDOK;
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
        return IDCANCEL;
    }
    if (ButtonsOf(style) != MB_OKCANCEL) {
        return IDOK;
    }
    // A Ctrl+C during the last, uncancellable stretch of the analysis still
    // means no file is started.
    if (labelFileFailed || IsCancelRequested()) {
        return IDCANCEL;
    }
    if (settings.dryRun) {
        WritePendingLabels();
        return IDCANCEL;
    }
    const bool proceed = settings.answerYes || ReadConfirmation();
    return proceed && WritePendingLabels() ? IDOK : IDCANCEL;
}

bool TerminalHost::ReadConfirmation() {
    const std::string line = ReadAnswerLine();
    if (IsCancelRequested()) {
        return false;
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
    if (settings.labelsPath.empty()) {
        return;
    }
    // Written once the answer is known (or in a dry run), so a "no" leaves the
    // disk as it was.
    pendingLabels = FormatLabels(plan, frameCount, sampleRate, settings.fileNamePrefix);
    pendingTrackNames.clear();
    for (std::uint32_t number = 1; number <= plan.segmentCount; ++number) {
        pendingTrackNames.push_back(
            SegmentBaseName(settings.fileNamePrefix, number, plan.segmentCount));
    }
    labelsPending = true;
}

bool TerminalHost::WritePendingLabels() {
    if (!labelsPending) {
        return true;
    }
    labelsPending = false;
    // The working directory is the output folder by now.
    OutputFolder outputFolder;
    outputFolder.Open(".");
    std::string why;
    const LabelFileResult result = WriteLabelFile(labelFolder, labelName, pendingLabels, recording,
                                                  outputFolder, pendingTrackNames, why);
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
    const char* label = settings.labelsPath.c_str();
    switch (result) {
    case LabelFileResult::IsRecording:
        std::fprintf(stderr,
                     "Error: The label file %s is the WAV file being split and cannot be "
                     "overwritten.\n",
                     label);
        break;
    case LabelFileResult::IsTrack:
        std::fprintf(stderr,
                     "Error: The label file %s is the name of one of the WAV files to be "
                     "written.\n",
                     label);
        break;
    case LabelFileResult::NotLabelFile:
        std::fprintf(stderr,
                     "Error: The label file %s exists and is not a label file (%s), so it is "
                     "not replaced.\n",
                     label, why.c_str());
        break;
    case LabelFileResult::Written:
    case LabelFileResult::Failed:
        std::fprintf(stderr, "Error: The label file %s could not be written.\n", label);
        break;
    }
    return false;
}
