#include "TerminalHost.h"

#include "CueSheet.h"
#include "FileSystem.h"
#include "LabelFile.h"
#include "OutputFiles.h"
#include "PathText.h"
#include "SegmentWriter.h"
#include "SplitPlan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

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

TerminalHost::TerminalHost(Settings settings) : settings(std::move(settings)) {}

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
    if (labelFileFailed || settings.dryRun || IsCancelRequested()) {
        return IDCANCEL;
    }
    if (settings.answerYes) {
        return IDOK;
    }
    return ReadConfirmation() ? IDOK : IDCANCEL;
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

namespace {

// The recording as the cue sheet's FILE line names it: relative to the sheet's
// folder when it can be, so the two can move together.
std::string PathForSheet(const std::string& audioFile, const std::string& sheetFile) {
    const std::filesystem::path audio = PathFromUtf8(audioFile);
    const std::filesystem::path relative =
        audio.lexically_relative(PathFromUtf8(sheetFile).parent_path());
    return relative.empty() ? audioFile : Utf8FromPath(relative);
}

} // namespace

void TerminalHost::PlanReady(const SplitPlan& plan, std::uint32_t frameCount,
                             std::uint32_t sampleRate) {
    if (!settings.labelsPath.empty()) {
        WriteSideFile("label file", settings.labelsPath, plan.segmentCount, [&] {
            return FormatLabels(plan, frameCount, sampleRate, settings.fileNamePrefix,
                                settings.naming);
        });
    }
    if (!settings.cueSheetPath.empty() && !labelFileFailed) {
        WriteSideFile("cue sheet", settings.cueSheetPath, plan.segmentCount, [&] {
            return FormatCueSheet(plan, frameCount, sampleRate,
                                  PathForSheet(settings.inputPath, settings.cueSheetPath),
                                  settings.naming);
        });
    }
}

void TerminalHost::WriteSideFile(const char* what, const std::string& path,
                                 std::uint32_t segmentCount,
                                 const std::function<std::string()>& text) {
    const char* refusal = LabelFileClash(path, segmentCount);
    if (refusal != nullptr) {
        labelFileFailed = true;
        if (progress != nullptr) {
            progress->Clear();
        }
        std::fprintf(stderr, "Error: The %s %s %s\n", what, path.c_str(), refusal);
        return;
    }
    if (!WriteLabelFile(path, text())) {
        // Writing the tracks without the cuts the user asked to review would be a
        // failure reported as success, so the report is answered with Cancel.
        labelFileFailed = true;
        if (progress != nullptr) {
            progress->Clear();
        }
        std::fprintf(stderr, "Error: The %s %s could not be written.\n", what, path.c_str());
    }
}

const char* TerminalHost::LabelFileClash(const std::string& path, std::uint32_t segmentCount) {
    if (SameFile(path, settings.inputPath)) {
        return "is the WAV file being split and cannot be overwritten.";
    }
    // The working directory is the output folder by now.
    const std::string folder = CurrentDirectory();
    for (std::uint32_t number = 1; number <= segmentCount; ++number) {
        SplitOptions named;
        named.fileNamePrefix = settings.fileNamePrefix;
        named.naming = settings.naming;
        const std::string name = SegmentFileName(folder, named, number, segmentCount);
        if (SameFile(path, name) || SameSpelling(path, name)) {
            return "is the name of one of the WAV files to be written.";
        }
    }
    return nullptr;
}
