#include "FakeHost.h"

#include "Messages.h"

namespace {

class FakeProgress : public ProgressDisplay {
public:
    explicit FakeProgress(FakeHost& host) : host(host) { ++host.progressAlive; }
    ~FakeProgress() override {
        --host.progressAlive;
        host.mainWindowEnabled = true;
    }

    bool BeginModal(const std::string&, bool) override {
        host.mainWindowEnabled = false;
        return true;
    }
    std::int64_t SetRange(std::int64_t, std::int64_t, std::int64_t) override { return 0; }
    std::int64_t SetPos(std::int64_t pos) override {
        host.positions.push_back(pos);
        return 0;
    }
    void PumpMessages(bool) override {
        if (!cancelled && host.cancelWhen && !host.positions.empty()) {
            cancelled = host.cancelWhen(host, host.positions.back());
        }
    }
    bool IsCancelled() const override { return cancelled; }
    void Hide() override {}

protected:
    void ShowStatus(const std::string& text) override {
        host.statusTexts.push_back(text);
        if (host.statusTexts.back().rfind(messages::kCreating, 0) == 0) {
            host.writing = true;
        }
    }

private:
    FakeHost& host;
    bool cancelled = false;
};

} // namespace

std::unique_ptr<ProgressDisplay> FakeHost::CreateProgress(const std::string&, bool) {
    ++progressCreated;
    return std::make_unique<FakeProgress>(*this);
}

Answer FakeHost::ShowMessage(const std::string& text, const std::string& caption,
                             MessageKind kind) {
    messages.push_back({text, caption, kind});
    if (kind == MessageKind::Question) {
        if (beforeConfirm) {
            beforeConfirm();
        }
        return confirmAnswer;
    }
    return Answer::Ok;
}

void FakeHost::PlanReady(const SplitPlan& readyPlan, std::uint32_t, std::uint32_t) {
    plan = readyPlan;
}
