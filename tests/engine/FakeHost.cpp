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

    bool BeginModal(const char*, int) override {
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
    void SetStatusText(const char* text) override {
        host.statusTexts.emplace_back(text);
        if (host.statusTexts.back().rfind(messages::kCreating, 0) == 0) {
            host.writing = true;
        }
    }

private:
    FakeHost& host;
    bool cancelled = false;
};

} // namespace

std::unique_ptr<ProgressDisplay> FakeHost::CreateProgress(const char*, int) {
    ++progressCreated;
    return std::make_unique<FakeProgress>(*this);
}

int FakeHost::ShowMessage(const std::string& text, const char* caption, unsigned style) {
    messages.push_back({text, caption, style});
    if (style == MB_OKCANCEL) {
        if (beforeConfirm) {
            beforeConfirm();
        }
        return confirmAnswer;
    }
    return IDOK;
}

void FakeHost::PlanReady(const SplitPlan& readyPlan, std::uint32_t, std::uint32_t) {
    plan = readyPlan;
}
