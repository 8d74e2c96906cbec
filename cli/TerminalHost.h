// The engine's host on a terminal: the report and messages on standard output and
// standard error, the confirmation read from standard input, a one-line progress
// display on standard error, and Ctrl+C, SIGTERM, SIGHUP and SIGQUIT as the
// Cancel button.
#pragma once

#include "SplitHost.h"
#include "Terminal.h"
#include "TrackNaming.h"

#include <chrono>
#include <functional>
#include <string>

class TerminalProgress : public ProgressDisplay {
public:
    // Draws only when draw is set (standard error is a terminal, no --quiet).
    explicit TerminalProgress(bool draw, TerminalProgress** registration);
    ~TerminalProgress() override;

    bool BeginModal(const char* title, int smooth) override;
    std::int64_t SetRange(std::int64_t lower, std::int64_t upper, std::int64_t step) override;
    std::int64_t SetPos(std::int64_t pos) override;
    void PumpMessages(bool escapeCancels) override;
    bool IsCancelled() const override;
    void Hide() override;

    // Removes the drawn line so other output starts on a clean line.
    void Clear();

protected:
    void SetStatusText(const char* text) override;

private:
    void Draw(bool force);

    bool draw;
    TerminalProgress** registration; // the host's pointer to the display now shown
    bool visible = true;
    bool lineShown = false;
    std::string status;
    std::int64_t lower = 0;
    std::int64_t upper = 0;
    std::int64_t position = 0;
    std::chrono::steady_clock::time_point lastDraw{};
};

class TerminalHost : public SplitHost {
public:
    struct Settings {
        bool showProgress = false;
        bool answerYes = false;
        bool dryRun = false;
        std::string labelsPath;   // empty: no label file
        std::string cueSheetPath; // empty: no cue sheet written
        std::string inputPath;    // as given, to keep the label file off the recording
        std::string fileNamePrefix;
        TrackNaming naming;
    };

    explicit TerminalHost(Settings settings);

    std::unique_ptr<ProgressDisplay> CreateProgress(const char* title, int smooth) override;
    int ShowMessage(const std::string& text, const char* caption, unsigned style) override;
    void PlanReady(const SplitPlan& plan, std::uint32_t frameCount,
                   std::uint32_t sampleRate) override;

    // The label file was asked for and could not be written (the report was then
    // answered with Cancel).
    bool LabelFileFailed() const { return labelFileFailed; }
    // The report could not be written to standard output (it was then answered
    // with Cancel).
    bool ReportFailed() const { return reportFailed; }

private:
    bool ReadConfirmation();
    // Why the label file may not be written (it is the input, or one of the
    // planned WAV files), or null.
    const char* LabelFileClash(const std::string& path, std::uint32_t segmentCount);
    // Writes the label file or cue sheet at path, or says why not and answers the
    // report with Cancel.
    void WriteSideFile(const char* what, const std::string& path, std::uint32_t segmentCount,
                       const std::function<std::string()>& text);

    Settings settings;
    TerminalProgress* progress = nullptr;
    bool labelFileFailed = false;
    bool reportFailed = false;
};
