// The main window's form over a fake view and an in-memory settings store:
// the order a commit reads the fields in and where it stops, relative paths,
// when leaving a field commits, the stored options' round trip, and the line
// that says what Suggest set.
#include "MainWindowForm.h"
#include "MemoryStore.h"
#include "OptionSettings.h"
#include "TestFiles.h"
#include "ThresholdScale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using Field = MainWindowView::Field;

class FakeView : public MainWindowView {
public:
    std::map<Field, std::string> texts;
    std::map<Field, bool> checks;
    mutable std::vector<Field> reads; // every field read, in order
    std::vector<std::pair<Field, std::string>> problems;
    Field focus = Field::MaximumLabel;
    FolderChoice pickerResult = FolderChoice::Cancelled;
    int pickerCalls = 0;
    std::optional<std::string> chosenFile;
    std::vector<std::string> browsedFrom; // the folder each dialog opened at

    std::string Text(Field field) const override {
        reads.push_back(field);
        const auto found = texts.find(field);
        return found == texts.end() ? std::string() : found->second;
    }
    void SetText(Field field, const std::string& text) override { texts[field] = text; }
    bool IsChecked(Field field) const override {
        reads.push_back(field);
        return checks.count(field) != 0 && checks.at(field);
    }
    void SetChecked(Field field, bool checked) override { checks[field] = checked; }
    void SetThresholdPosition(int) override {}
    void SetArrows(Field, int, int, int) override {}
    void Focus(Field field) override { focus = field; }
    void ReportProblem(Field field, const std::string& message) override {
        problems.emplace_back(field, message);
        focus = field;
    }
    std::optional<std::string> ChooseInputFile(const std::string& startFolder) override {
        browsedFrom.push_back(startFolder);
        return chosenFile;
    }
    FolderChoice PickOutputFolder(std::string& folder, const std::string& startFolder) override {
        browsedFrom.push_back(startFolder);
        ++pickerCalls;
        folder = "/chosen";
        return pickerResult;
    }
    std::unique_ptr<SplitHost> CreateHost() override { return std::make_unique<Host>(*this); }

    // The engine's host: no progress to see, every message kept, every question answered OK.
    std::vector<std::string> messages;
    class Host : public SplitHost {
    public:
        explicit Host(FakeView& view) : view(view) {}
        std::unique_ptr<ProgressDisplay> CreateProgress(const std::string&, bool) override {
            return std::make_unique<SilentProgress>();
        }
        Answer ShowMessage(const std::string& text, const std::string&, MessageKind) override {
            view.messages.push_back(text);
            return Answer::Ok;
        }

    private:
        FakeView& view;
    };
};

class MainWindowFormTest : public ::testing::Test {
protected:
    FakeView view;
    MemoryStore store;
    MainWindowForm form{view, store, "/started/here"};

    void Open() {
        form.Open();
        view.reads.clear();
    }
};

// Where a commit stops: the failing field's message and focus, which fields were
// read, and which held values changed.
struct FailingEntry {
    Field field;
    std::string typed;
    std::string message;
    std::vector<Field> readBefore; // the fields read before the failing one
};

class CommitStopsTest : public MainWindowFormTest,
                        public ::testing::WithParamInterface<FailingEntry> {};

TEST_P(CommitStopsTest, AtTheFirstFieldThatFails) {
    const FailingEntry& entry = GetParam();
    Open();
    view.texts[entry.field] = entry.typed;
    view.checks[Field::TrimSilence] = true;
    EXPECT_FALSE(form.Exchange(true));
    ASSERT_EQ(view.problems.size(), 1u);
    EXPECT_EQ(view.problems[0].first, entry.field);
    EXPECT_NE(view.problems[0].second.find(entry.message), std::string::npos)
        << view.problems[0].second;
    EXPECT_EQ(view.focus, entry.field);
    std::vector<Field> expected = {Field::ThresholdLabel, Field::MaximumLabel};
    expected.insert(expected.end(), entry.readBefore.begin(), entry.readBefore.end());
    expected.push_back(entry.field);
    EXPECT_EQ(view.reads, expected);
    EXPECT_FALSE(form.Held().trimSilence); // read after every text: not read
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CommitStopsTest,
    ::testing::Values(
        FailingEntry{
            Field::FileNamePrefix, std::string(101, 'x'), "no more than 100 characters", {}},
        FailingEntry{Field::FileNamePrefix, "a\tb", "control characters", {}},
        FailingEntry{Field::FileNamePrefix, "../x", "cannot contain / or \\", {}},
        FailingEntry{Field::OutputFolder,
                     "/" + std::string(250, 'p'),
                     "no more than 250 characters",
                     {Field::FileNamePrefix, Field::InputPath}},
        FailingEntry{Field::InputPath,
                     "/" + std::string(250, 'p'),
                     "no more than 250 characters",
                     {Field::FileNamePrefix}},
        FailingEntry{Field::MinTrackLength,
                     " 3601 ",
                     "a number between 1 and 3600",
                     {Field::FileNamePrefix, Field::InputPath, Field::OutputFolder}},
        FailingEntry{
            Field::SilenceLength,
            "12a",
            "unsigned whole number between 1 and 5000",
            {Field::FileNamePrefix, Field::InputPath, Field::OutputFolder, Field::MinTrackLength}},
        FailingEntry{Field::AppendSilence,
                     "4294967296",
                     "a number between 0 and 5000",
                     {Field::FileNamePrefix, Field::InputPath, Field::OutputFolder,
                      Field::MinTrackLength, Field::SilenceLength}},
        FailingEntry{Field::FirstNumber,
                     "0",
                     "a number between 1 and 99999",
                     {Field::FileNamePrefix, Field::InputPath, Field::OutputFolder,
                      Field::MinTrackLength, Field::SilenceLength, Field::AppendSilence}}));

TEST_F(MainWindowFormTest, PrefixLengthCountsCharactersNotBytes) {
    Open();
    std::string accented;
    for (int i = 0; i < 100; ++i) {
        accented += "\xC3\xA9"; // é
    }
    view.texts[Field::FileNamePrefix] = accented;
    EXPECT_TRUE(form.Exchange(true));
    EXPECT_EQ(form.Held().fileNamePrefix, accented);
}

TEST_F(MainWindowFormTest, NumbersOutsideTheirRangeAreHeldAndOthersLeftAlone) {
    Open();
    view.texts[Field::MinTrackLength] = "0";
    EXPECT_FALSE(form.Exchange(true));
    EXPECT_EQ(form.Held().minTrackLengthSec, 0u);

    view.problems.clear();
    view.texts[Field::MinTrackLength] = "99999999999"; // beyond 32 bits: not held
    EXPECT_FALSE(form.Exchange(true));
    EXPECT_EQ(form.Held().minTrackLengthSec, 0u);
}

TEST_F(MainWindowFormTest, RelativePathsAreTakenFromTheStartFolder) {
    Open();
    view.texts[Field::InputPath] = "rec/a.wav";
    view.texts[Field::OutputFolder] = "  ";
    EXPECT_TRUE(form.Exchange(true));
    const std::string expected =
        (std::filesystem::path("/started/here") / "rec/a.wav").make_preferred().string();
    EXPECT_EQ(form.Held().inputPath, expected);
    EXPECT_EQ(view.texts[Field::InputPath], expected); // shown in full
    EXPECT_EQ(form.Held().outputFolder, "  ");         // blank: left for the engine to report
}

TEST_F(MainWindowFormTest, AFileGivenAtStartOpensInTheFileFieldInFull) {
    const std::string expected =
        (std::filesystem::path("/started/here") / "side a.wav").make_preferred().string();
    const std::string absolute =
        (std::filesystem::current_path() / "b.wav").make_preferred().string();
    for (const auto& [given, shown] : std::vector<std::pair<std::string, std::string>>{
             {"side a.wav", expected}, {absolute, absolute}}) {
        MainWindowForm started{view, store, "/started/here"};
        started.StartWithFile(given);
        started.Open();
        EXPECT_EQ(started.Held().inputPath, shown);
        EXPECT_EQ(view.texts[Field::InputPath], shown);
        EXPECT_EQ(view.focus, Field::InputPath);
    }
}

TEST_F(MainWindowFormTest, ADroppedFileFillsTheFileFieldAndAFolderTheOutputField) {
    form.ItemDropped("/ignored/before/opening.wav", false);
    EXPECT_EQ(form.Held().inputPath, "");
    Open();
    form.ItemDropped("/music/side a.wav", false);
    form.ItemDropped("/music/tracks", true);
    EXPECT_EQ(form.Held().inputPath, "/music/side a.wav");
    EXPECT_EQ(view.texts[Field::InputPath], "/music/side a.wav");
    EXPECT_EQ(form.Held().outputFolder, "/music/tracks");
    EXPECT_EQ(view.texts[Field::OutputFolder], "/music/tracks");
}

TEST_F(MainWindowFormTest, DialogsOpenWhereTheLastChoiceWasMadeAlsoInTheNextRun) {
    Open();
    const std::string file = (std::filesystem::path("/music/side") / "a.wav").string();
    view.chosenFile = file;
    form.BrowseInput();
    view.pickerResult = FolderChoice::Chosen;
    form.BrowseOutput(); // chooses /chosen
    view.chosenFile.reset();
    form.BrowseInput(); // cancelled: the folder stays
    MainWindowForm nextRun{view, store, "/elsewhere"};
    nextRun.Open();
    nextRun.BrowseInput();
    EXPECT_EQ(view.browsedFrom,
              (std::vector<std::string>{"/started/here",
                                        std::filesystem::path(file).parent_path().string(),
                                        "/chosen", "/chosen"}));
}

// Leaving a field asks for one commit; a browse button clicked before it runs
// takes it over, and a failing one opens no picker.
TEST_F(MainWindowFormTest, LeavingAFieldCommitsOnceAndBeforeBrowsing) {
    Open();
    view.pickerResult = FolderChoice::Chosen;
    view.texts[Field::MinTrackLength] = "0";
    form.FieldLeft();
    form.BrowseOutput();
    EXPECT_EQ(view.problems.size(), 1u);
    EXPECT_EQ(view.pickerCalls, 0);
    EXPECT_TRUE(form.CommitLeftField()); // the queued commit finds nothing left to do
    EXPECT_EQ(view.problems.size(), 1u);

    view.texts[Field::MinTrackLength] = "5";
    form.FieldLeft();
    form.BrowseOutput();
    EXPECT_EQ(view.pickerCalls, 1);
    EXPECT_EQ(form.Held().outputFolder, "/chosen");
    EXPECT_EQ(form.Held().minTrackLengthSec, 5u);
}

TEST_F(MainWindowFormTest, NotificationsBeforeOpeningAreIgnored) {
    form.ThresholdMoved(21);
    form.FieldLeft();
    EXPECT_TRUE(form.CommitLeftField());
    EXPECT_TRUE(view.reads.empty());
    Open();
    form.ThresholdMoved(21);
    EXPECT_EQ(form.Held().thresholdText, "0.35 %");
    EXPECT_EQ(view.texts[Field::ThresholdLabel], "0.35 %");
}

// The declaration's round trip: a first Close writes every option, in order, in
// one go; a reopened window holds them again; only changes are written later.
TEST_F(MainWindowFormTest, StoredOptionsRoundTrip) {
    Open();
    EXPECT_EQ(view.texts[Field::FileNamePrefix], "Track");
    EXPECT_EQ(view.texts[Field::ThresholdLabel], "0.20 %");
    EXPECT_EQ(view.texts[Field::MaximumLabel], "5 %");
    EXPECT_TRUE(view.checks[Field::MaximumMethod]);
    EXPECT_EQ(view.texts[Field::FirstNumber], "1");
    view.texts[Field::SilenceLength] = "750";
    view.texts[Field::FirstNumber] = "7";
    view.texts[Field::Artist] = "The Quern \xC3\xA9";
    view.checks[Field::AverageMethod] = true;
    view.checks[Field::WriteCueSheet] = true;
    form.MethodClicked(Field::AverageMethod);
    EXPECT_TRUE(form.Close());
    ASSERT_EQ(store.writes.size(), 1u);
    const std::vector<std::string> order = {"TrimSilence",   "UseAverageMethod",
                                            "AppendSilence", "MinTrackLength",
                                            "SilenceLength", "BeginWith",
                                            "Threshold",     "FirstNumber",
                                            "Artist",        "Album",
                                            "Date",          "Genre",
                                            "Comment",       "WriteCueSheet"};
    EXPECT_EQ(store.writes[0], order);
    EXPECT_EQ(store.values["Options/SilenceLength"], SettingsStore::Value(750));
    EXPECT_EQ(store.values["Options/UseAverageMethod"], SettingsStore::Value(1));
    EXPECT_EQ(store.values["Options/Threshold"], SettingsStore::Value(std::string("0.20 %")));

    store.values["Options/MinTrackLength"] = std::string("soon"); // no number: read as 30
    FakeView again;
    MainWindowForm reopened(again, store, "/");
    reopened.Open();
    EXPECT_EQ(reopened.Held().silenceLengthMs, 750u);
    EXPECT_EQ(reopened.Held().naming.firstNumber, 7u); // side B continues from side A
    EXPECT_EQ(again.texts[Field::Artist], "The Quern \xC3\xA9");
    EXPECT_TRUE(reopened.Held().useAverageMethod);
    EXPECT_TRUE(again.checks[Field::AverageMethod]);
    EXPECT_TRUE(again.checks[Field::WriteCueSheet]);
    EXPECT_EQ(again.texts[Field::MinTrackLength], "30");
    again.texts[Field::FileNamePrefix] = "Side B";
    EXPECT_TRUE(reopened.Close());
    ASSERT_EQ(store.writes.size(), 2u);
    EXPECT_EQ(store.writes[1], std::vector<std::string>{"BeginWith"});
    EXPECT_EQ(store.values["Options/MinTrackLength"], SettingsStore::Value(std::string("soon")));
}

// A hand-edited value its rule refuses opens as its default, commits without a
// warning, and Close writes the default over it; values in range stay untouched.
TEST_F(MainWindowFormTest, RefusedStoredValuesOpenAsDefaultsAndCloseWritesThem) {
    const std::pair<const char*, SettingsStore::Value> refused[] = {
        {"AppendSilence", -1},   {"MinTrackLength", 70000},
        {"SilenceLength", 0},    {"BeginWith", std::string("../../etc/x")},
        {"FirstNumber", 100000}, {"Genre", std::string("Rock \xC3")}, // cut inside a character
    };
    for (const auto& [entry, value] : refused) {
        store.values[std::string("Options/") + entry] = value;
    }
    store.values["Options/Threshold"] = std::string("0.35 %");
    Open();
    EXPECT_EQ(view.texts[Field::AppendSilence], "0");
    EXPECT_EQ(view.texts[Field::MinTrackLength], "30");
    EXPECT_EQ(view.texts[Field::SilenceLength], "500");
    EXPECT_EQ(view.texts[Field::FileNamePrefix], "Track");
    EXPECT_EQ(view.texts[Field::FirstNumber], "1");
    EXPECT_EQ(view.texts[Field::Genre], "");
    EXPECT_TRUE(form.Exchange(true));
    EXPECT_TRUE(view.problems.empty());
    EXPECT_TRUE(form.Close());
    ASSERT_EQ(store.writes.size(), 1u);
    EXPECT_EQ(
        store.writes[0],
        (std::vector<std::string>{"TrimSilence", "UseAverageMethod", "AppendSilence",
                                  "MinTrackLength", "SilenceLength", "BeginWith", "FirstNumber",
                                  "Artist", "Album", "Date", "Genre", "Comment", "WriteCueSheet"}));
    EXPECT_EQ(store.values["Options/AppendSilence"], SettingsStore::Value(0));
    EXPECT_EQ(store.values["Options/BeginWith"], SettingsStore::Value(std::string("Track")));
    EXPECT_EQ(store.values["Options/FirstNumber"], SettingsStore::Value(1));
    EXPECT_EQ(store.values["Options/Genre"], SettingsStore::Value(std::string()));
}

// Recordings of 12 seconds at 8000 frames a second: tone, a pause, tone. In
// `clickyPause` a click sounds in every half second of the pause, which only the
// average method looks through.
std::string WriteRecording(const testing_support::TempDir& folder, const std::string& name,
                           int seconds, bool clickyPause = false) {
    std::vector<std::int16_t> samples;
    const int third = seconds * 8000 / 3;
    for (int i = 0; i < 3 * third; ++i) {
        const bool pause = i >= third && i < 2 * third;
        const std::int16_t tone = i % 40 < 20 ? 9000 : -9000;
        const std::int16_t click = clickyPause && i % 4000 == 2000 ? 20000 : 0;
        samples.push_back(pause ? click : tone);
    }
    const std::string path = folder.file(name);
    testing_support::WriteTestWav(path, 8000, 1, 16, samples);
    return path;
}

// A suggestion says what it set in the line under the trackbar, without a box,
// for as long as the window still holds what it was made for.
TEST_F(MainWindowFormTest, ASuggestionIsShownInItsLineUntilTheWindowHoldsSomethingElse) {
    testing_support::TempDir folder;
    Open();
    view.texts[Field::InputPath] = WriteRecording(folder, "plain.wav", 12);
    const auto suggest = [this] {
        form.SuggestThreshold();
        return view.texts[Field::SuggestionLine];
    };
    const std::string line = suggest();
    EXPECT_EQ(line, "Suggested: " + form.Held().thresholdText);
    EXPECT_NE(form.Held().thresholdText, "0.20 %");
    EXPECT_TRUE(view.messages.empty());

    int samePlace = 0; // where the trackbar shows the suggested text
    while (ThresholdTextForPosition(samePlace) != form.Held().thresholdText) {
        ++samePlace;
    }
    form.ThresholdMoved(samePlace);
    EXPECT_EQ(view.texts[Field::SuggestionLine], line);
    form.ThresholdMoved(300);
    EXPECT_EQ(view.texts[Field::SuggestionLine], "");

    EXPECT_EQ(suggest(), line);
    view.checks[Field::MaximumMethod] = true; // clicked again: nothing changes
    form.MethodClicked(Field::MaximumMethod);
    EXPECT_EQ(view.texts[Field::SuggestionLine], line);
    view.checks[Field::AverageMethod] = true;
    form.MethodClicked(Field::AverageMethod);
    EXPECT_EQ(view.texts[Field::SuggestionLine], "");

    view.checks[Field::AverageMethod] = false;
    form.MethodClicked(Field::AverageMethod);
    EXPECT_EQ(suggest(), line);
    view.texts[Field::SilenceLength] = "400"; // committed by the next run or Suggest
    EXPECT_TRUE(form.Exchange(true));
    EXPECT_EQ(view.texts[Field::SuggestionLine], "");

    EXPECT_FALSE(suggest().empty());
    form.ItemDropped(WriteRecording(folder, "short.wav", 6), false);
    EXPECT_EQ(view.texts[Field::SuggestionLine], "");
    EXPECT_EQ(suggest(), "");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("too short"), std::string::npos) << view.messages[0];
}

TEST_F(MainWindowFormTest, ASuggestionThatSwitchesTheMethodSaysSoInItsLine) {
    testing_support::TempDir folder;
    Open();
    view.texts[Field::InputPath] = WriteRecording(folder, "clicks.wav", 12, true);
    form.SuggestThreshold();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(form.Held().useAverageMethod);
    EXPECT_TRUE(view.checks[Field::AverageMethod]);
    EXPECT_EQ(view.texts[Field::SuggestionLine],
              "Suggested: " + form.Held().thresholdText +
                  " with the average method (clicks make the maximum method unreliable)");
}

} // namespace
