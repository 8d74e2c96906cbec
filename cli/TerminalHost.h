// The engine's host on a terminal: the report and messages on standard output and
// standard error, the confirmation read from standard input, a one-line progress
// display on standard error, and Ctrl+C, SIGTERM, SIGHUP and SIGQUIT as the
// Cancel button.
#pragma once

#include "OutputFiles.h"
#include "SplitHost.h"
#include "Terminal.h"
#include "TrackNaming.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class TerminalProgress : public ProgressDisplay {
public:
    // Draws only when draw is set (standard error is a terminal, no --quiet).
    explicit TerminalProgress(bool draw, TerminalProgress** registration);
    ~TerminalProgress() override;

    bool BeginModal(const std::string& title, bool smooth) override;
    std::int64_t SetRange(std::int64_t lower, std::int64_t upper, std::int64_t step) override;
    std::int64_t SetPos(std::int64_t pos) override;
    void PumpMessages(bool escapeCancels) override;
    bool IsCancelled() const override;
    void Hide() override;

    // Removes the drawn line so other output starts on a clean line.
    void Clear();

protected:
    void ShowStatus(const std::string& text) override;

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
        std::string labelsPath;    // empty: no label file; absolute, for messages
        std::string labelsGiven;   // as typed; its folder is opened when the host is made
        std::string cueSheetPath;  // empty: no cue sheet written; absolute, for messages
        std::string cueSheetGiven; // as typed; its folder is opened when the host is made
        std::string inputPath;     // absolute, for the cue sheet's FILE line
        // As given, looked at when the host is made (before the working directory
        // changes), to keep the label file and cue sheet off the recording.
        std::string recordingGiven;
        std::string fileNamePrefix;
        TrackNaming naming;
    };

    explicit TerminalHost(Settings settings);

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string& title, bool smooth) override;
    Answer ShowMessage(const std::string& text, const std::string& caption,
                       MessageKind kind) override;
    // "Warning: ..." on standard error, each text once: a threshold suggestion
    // opens the recording before the split does.
    void ShowNotice(const std::string& text) override;
    void PlanReady(const SplitPlan& plan, std::uint32_t frameCount,
                   std::uint32_t sampleRate) override;

    // The label file was asked for and could not be written (the report was then
    // answered with Cancel).
    bool LabelFileFailed() const { return labelFileFailed; }
    // The report could not be written to standard output (it was then answered
    // with Cancel).
    bool ReportFailed() const { return reportFailed; }

    // The label file was refused because a file that is not a label file has its name.
    bool LabelFileRefused() const { return labelFileRefused; }

private:
    // A label file or cue sheet: where it goes, and its text once the plan is ready.
    struct SideFile {
        OutputFolder folder;
        std::string name;
        std::string text;
        bool pending = false;
    };

    bool ReadConfirmation();
    // Writes the label file and the cue sheet of the plan last made ready, those
    // asked for; false, after saying why, when one was refused or could not be
    // written.
    bool WritePendingSideFiles();
    bool WriteSideFile(const char* what, const std::string& path, SideFile& file,
                       bool (*accepts)(const std::string&, std::string&));

    Settings settings;
    RecordingWatch recording;
    SideFile labelFile;
    SideFile cueSheet;
    TerminalProgress* progress = nullptr;
    bool labelFileFailed = false;
    bool labelFileRefused = false;
    std::vector<std::string> pendingTrackNames;
    bool reportFailed = false;
    std::vector<std::string> noticesShown;
};
