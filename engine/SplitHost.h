// What the splitting engine needs from the program that hosts it: a progress
// display that carries the user's cancel request, modal messages, and a few
// process services. The desktop window and the terminal each implement it.
#pragma once

#include "WaveStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "SplitOptions.h"
#include "SplitPlan.h"

// What a modal message asks of the user, and so which buttons and icon it has.
enum class MessageKind {
    Notice,   // no icon, OK
    Question, // no icon, OK and Cancel
    Error,    // the error icon, OK
};

// How the user dismissed a message: Cancel also stands for closing the box.
enum class Answer { Ok, Cancel };

// Positions are frame indices, which can exceed the range of int for long 8-bit
// recordings; a display scales them to its own bar.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default; // also ends the modal state: the main window is enabled

    virtual bool BeginModal(const std::string& title, bool smooth) = 0;
    virtual std::int64_t SetRange(std::int64_t lower, std::int64_t upper, std::int64_t step) = 0;
    virtual std::int64_t SetPos(std::int64_t pos) = 0;
    virtual void PumpMessages(bool escapeCancels) = 0;
    virtual bool IsCancelled() const = 0;
    virtual void Hide() = 0;

    // The status line; a text longer than 511 bytes is cut there.
    void SetStatus(std::string text);

protected:
    virtual void ShowStatus(const std::string& text) = 0;
};

// A progress display nobody sees, for work that runs without one (a
// re-analysis, a test, a benchmark); its cancel request, if any, comes from the
// caller's function.
class SilentProgress : public ProgressDisplay {
public:
    SilentProgress() = default;
    explicit SilentProgress(std::function<bool()> cancelled) : cancelled(std::move(cancelled)) {}
    bool BeginModal(const std::string&, bool) override { return true; }
    std::int64_t SetRange(std::int64_t, std::int64_t, std::int64_t) override { return 0; }
    std::int64_t SetPos(std::int64_t) override { return 0; }
    void PumpMessages(bool) override {}
    bool IsCancelled() const override { return cancelled && cancelled(); }
    void Hide() override {}

protected:
    void ShowStatus(const std::string&) override {}

private:
    std::function<bool()> cancelled;
};

class SplitHost {
public:
    virtual ~SplitHost() = default;

    // Constructs and shows the progress display, owned by the main window.
    virtual std::unique_ptr<ProgressDisplay> CreateProgress(const std::string& title,
                                                            bool smooth) = 0;

    // A modal message owned by the main window.
    virtual Answer ShowMessage(const std::string& text, const std::string& caption,
                               MessageKind kind) = 0;

    // Something the user should know that does not stop the run, such as a
    // recording whose header and length disagree. The default shows a message
    // with OK and the caption "Warning".
    virtual void ShowNotice(const std::string& text);

    // The analysis is complete and the report is about to be shown (there is at
    // least one split point). Front ends that show the plan in their own way
    // (a label file, for example) look at it here. The default does nothing.
    virtual void PlanReady(const SplitPlan& plan, std::uint32_t frameCount,
                           std::uint32_t sampleRate);

    // The analysis is over and nothing is written yet: the user confirms the plan
    // (which may have no split point). The default is the plain report: "Nothing
    // to do" for an empty plan, otherwise the "Ready to split WAV file" box. A
    // front end may show the plan its own way and let the user change the
    // threshold and the method; it then fills `chosen` with the plan to write and
    // the options that made it.
    struct PlanToConfirm {
        const SplitOptions& options;
        const SplitPlan& plan;
        std::uint32_t frameCount = 0;
        std::uint32_t sampleRate = 0;
        std::uint16_t bitsPerSample = 16;
        std::string inputFile; // absolute: the working directory is the output folder now
        // The recording as it was opened, which the writer copies from: a review
        // analyses only it (one thread at a time, until it answers), never the
        // path again, which may name another file by now.
        WaveStream* reader = nullptr;
    };
    struct ChosenPlan {
        bool changed = false; // false: write the plan as proposed, named as proposed
        SplitPlan plan;       // with the proposal's window length; its cuts may be the user's
        std::string thresholdText;
        bool useAverageMethod = false;
        // With `changed`, the titles the user typed, one per track, replacing
        // the options' (none: the plain names).
        std::vector<std::string> titles;
    };
    enum class PlanAnswer { Proceed, Declined, NothingFound };
    virtual PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen);

    // Process services; the defaults are the platform's (see ProcessServices.h).
    virtual bool ChangeDirectory(const std::string& folder);
    virtual std::string CurrentDirectory();
    virtual void SetIdlePriority();
    virtual void SetNormalPriority();
    virtual std::int64_t NowSeconds();
};
