// The progress window's logic over a fake view: the caption's percentage, when
// the popup shows itself and takes the focus, the cancel request, the modal
// state, and where the popup reopens.
#include "ProgressPresenter.h"
#include "MemoryStore.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class FakeProgressView : public ProgressView {
public:
    bool exists = false;
    bool visible = false;
    bool mainEnabled = true;
    bool active = true;
    int focusTaken = 0;
    int closesAsked = 0;
    std::string caption;
    Point topLeft{-100, -100};
    bool centred = false;
    std::vector<Area> screens{{0, 0, 1920, 1080}};
    std::function<void()> whilePumping;

    bool CreatePopup(const std::string& newCaption, bool) override {
        exists = true;
        caption = newCaption;
        return true;
    }
    bool Exists() const override { return exists; }
    bool IsVisible() const override { return visible; }
    void ShowPopup() override { visible = true; }
    void HidePopup() override { visible = false; }
    void DestroyPopup() override { exists = visible = false; }
    void CloseLater() override { ++closesAsked; }
    void SetCaption(const std::string& text) override { caption = text; }
    void SetStatusText(const std::string&) override {}
    void SetBar(int, int) override {}
    void SetStep(std::int64_t) override {}
    void EnableMainWindow(bool enabled) override { mainEnabled = enabled; }
    void ActivateMainWindow() override {}
    void EnablePopup() override {}
    bool ProgramIsActive() const override { return active; }
    void TakeFocus() override { ++focusTaken; }
    void DispatchPending(bool) override {
        if (whilePumping) {
            whilePumping();
        }
    }
    Point TopLeft() const override { return topLeft; }
    void MoveTo(Point point) override { topLeft = point; }
    void Centre() override { centred = true; }
    std::vector<Area> Screens() const override { return screens; }
};

class Presenter : public ProgressPresenter {
public:
    Presenter(FakeProgressView& view, SettingsStore& store)
        : ProgressPresenter(view, store, "Progress") {
        Create("Progress", true);
    }
    ~Presenter() override { DestroyWindow(); }
};

class ProgressPresenterTest : public ::testing::Test {
protected:
    FakeProgressView view;
    MemoryStore store;

    void Store(int x, int y) {
        store.values["Settings/X"] = x;
        store.values["Settings/Y"] = y;
    }
};

TEST_F(ProgressPresenterTest, CaptionShowsThePercentageOnceItMoves) {
    Presenter progress(view, store);
    progress.SetRange(0, 3, 1);
    progress.SetPos(0);
    EXPECT_EQ(view.caption, "Progress");
    const std::pair<std::int64_t, const char*> steps[] = {
        {1, "Progress [33%]"}, {3, "Progress [100%]"}, {6, "Progress [200%]"}};
    for (const auto& [pos, caption] : steps) {
        progress.SetPos(pos);
        EXPECT_EQ(view.caption, caption);
    }
    progress.SetRange(9, 2, 1);
    progress.SetPos(3);
    EXPECT_EQ(view.caption, "Progress [0%]");
}

TEST_F(ProgressPresenterTest, OnlySetPosShowsAHiddenPopup) {
    Presenter progress(view, store);
    ASSERT_TRUE(view.visible);
    progress.Hide();
    progress.SetStatus("Analysing");
    progress.SetRange(0, 10, 1);
    EXPECT_FALSE(view.visible);
    progress.SetPos(4);
    EXPECT_TRUE(view.visible);
}

// A cancel in the modal state closes the popup once, stays, and keeps the main
// window disabled until the presenter is gone; the closed popup saves nothing.
TEST_F(ProgressPresenterTest, CancelIsStickyAndTheMainWindowWaitsForTheEnd) {
    {
        Presenter progress(view, store);
        progress.ButtonUpOverCancel(); // not modal yet
        EXPECT_FALSE(progress.IsCancelled());
        progress.BeginModal("Progress", false);
        EXPECT_FALSE(view.mainEnabled);
        int pumps = 0;
        view.whilePumping = [&] { ++pumps; };
        progress.ButtonUpOverCancel();
        progress.Cancel();
        progress.PumpMessages(true);
        EXPECT_TRUE(progress.IsCancelled());
        EXPECT_EQ(pumps, 0);
        EXPECT_EQ(view.closesAsked, 1);
        view.exists = false; // the queued close
        EXPECT_EQ(progress.SetRange(0, 10, 1), 0);
        EXPECT_FALSE(view.mainEnabled);
    }
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_TRUE(store.writes.empty());
}

// A popup that appears while the user works in another program leaves the
// focus there; it takes it once the user comes back.
TEST_F(ProgressPresenterTest, FocusComesOnlyWhileThisProgramIsActive) {
    view.active = false;
    Presenter progress(view, store);
    progress.BeginModal("Progress", false);
    progress.PumpMessages(true);
    EXPECT_EQ(view.focusTaken, 0);
    view.active = true;
    progress.PumpMessages(true);
    progress.PumpMessages(true);
    EXPECT_EQ(view.focusTaken, 1);
    progress.Hide();
    progress.SetPos(1); // shown again
    progress.PumpMessages(true);
    EXPECT_EQ(view.focusTaken, 2);
}

struct StoredPosition {
    std::vector<ProgressView::Area> screens;
    int x;
    int y;
    bool restored;
};

class PositionTest : public ProgressPresenterTest,
                     public ::testing::WithParamInterface<StoredPosition> {};

TEST_P(PositionTest, RestoredOnAnyScreenElseCentred) {
    view.screens = GetParam().screens;
    Store(GetParam().x, GetParam().y);
    {
        Presenter progress(view, store);
        EXPECT_EQ(view.centred, !GetParam().restored);
        if (GetParam().restored) {
            EXPECT_EQ(view.topLeft.x, GetParam().x);
            EXPECT_EQ(view.topLeft.y, GetParam().y);
        }
        view.topLeft = {-1500, 20};
    }
    EXPECT_EQ(std::get<std::int32_t>(store.values["Settings/X"]), -1500);
}

const std::vector<ProgressView::Area> kOneScreen{{0, 0, 1920, 1080}};
const std::vector<ProgressView::Area> kLeftOfPrimary{{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};

INSTANTIATE_TEST_SUITE_P(Screens, PositionTest,
                         ::testing::Values(StoredPosition{kOneScreen, 37, 41, true},
                                           StoredPosition{kOneScreen, 1920, 10, false},
                                           StoredPosition{kOneScreen, 10, 1080, false},
                                           StoredPosition{kOneScreen, -1, -1, false},
                                           StoredPosition{kLeftOfPrimary, -1200, 300, true},
                                           StoredPosition{kLeftOfPrimary, -1200, 1030, false}));

TEST_F(ProgressPresenterTest, MissingPositionCentres) {
    Presenter progress(view, store);
    EXPECT_TRUE(view.centred);
}

} // namespace
