// A host for driving RunSplitJob in tests: records every message, progress call
// and priority change, answers the confirmation as told, cancels when told, and
// tracks whether the "main window" is enabled.
#pragma once

#include "SplitHost.h"
#include "SplitPlan.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct RecordedMessage {
    std::string text;
    std::string caption;
    MessageKind kind = MessageKind::Notice;
};

class FakeHost : public SplitHost {
public:
    // Answer to the "Ready to split WAV file" question, and a hook that runs just
    // before it is answered (to change the world between analysis and writing).
    Answer confirmAnswer = Answer::Ok;
    std::function<void()> beforeConfirm;
    // Checked at every PumpMessages; once true the display stays cancelled.
    std::function<bool(const FakeHost&, std::int64_t position)> cancelWhen;
    // The clock: starts at `now`, advances by `clockStep` on every reading.
    std::int64_t now = 1000;
    std::int64_t clockStep = 0;

    std::vector<RecordedMessage> messages;
    std::vector<std::string> statusTexts;
    std::vector<std::int64_t> positions;
    std::vector<std::string> priorityChanges; // "idle" / "normal"
    std::optional<SplitPlan> plan;            // as handed to PlanReady
    int progressCreated = 0;
    int progressAlive = 0;
    bool mainWindowEnabled = true;
    bool writing = false; // the status text has said "Creating WAV files..."

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string& title, bool smooth) override;
    Answer ShowMessage(const std::string& text, const std::string& caption,
                       MessageKind kind) override;
    void PlanReady(const SplitPlan& plan, std::uint32_t frameCount,
                   std::uint32_t sampleRate) override;
    void SetIdlePriority() override { priorityChanges.push_back("idle"); }
    void SetNormalPriority() override { priorityChanges.push_back("normal"); }
    std::int64_t NowSeconds() override {
        const std::int64_t reading = now;
        now += clockStep;
        return reading;
    }
};
