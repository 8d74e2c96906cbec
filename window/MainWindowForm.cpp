#include "MainWindowForm.h"

#include "Messages.h"
#include "OptionRules.h"
#include "OptionSettings.h"
#include "PathText.h"
#include "SplitJob.h"
#include "ThresholdScale.h"
#include "ThresholdSuggestion.h"

#include <array>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>

namespace {

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\n\v\f\r") == std::string::npos;
}

// Sets a flag for as long as it lives, and puts its old value back.
class Raise {
public:
    explicit Raise(bool& flag) : flag(flag), previous(std::exchange(flag, true)) {}
    ~Raise() { flag = previous; }
    Raise(const Raise&) = delete;
    Raise& operator=(const Raise&) = delete;

private:
    bool& flag;
    bool previous;
};

// The tag fields and the tags they fill, in the window's order.
std::array<std::pair<MainWindowView::Field, std::string*>, 5> TagFields(TrackNaming& naming) {
    using Field = MainWindowView::Field;
    return {{{Field::Artist, &naming.artist},
             {Field::Album, &naming.album},
             {Field::Date, &naming.date},
             {Field::Genre, &naming.genre},
             {Field::Comment, &naming.comment}}};
}

} // namespace

// One pass of the exchange. Show writes held values into fields; commit reads
// each field into its held value and checks it at once. The first failure is
// reported, puts the focus back into its field and ends the pass.
class MainWindowForm::Pass {
public:
    Pass(MainWindowForm& form, bool commit) : form(form), view(form.view), commit(commit) {}

    bool Failed() const { return failed; }

    // A text shown and read as it is (the labels, and the tags, which take any text).
    void Label(Field field, std::string& value) {
        if (failed) {
            return;
        }
        if (commit) {
            value = view.Text(field);
        } else {
            view.SetText(field, value);
        }
    }

    // A text of at most maxChars characters.
    void Text(Field field, std::string& value, std::size_t maxChars) {
        Label(field, value);
        Refuse(field, TextLengthProblem(value, maxChars));
    }

    // A committed text the engine's rule refuses; the rule's sentence is the message.
    void Refuse(Field field, const std::optional<std::string>& problem) {
        if (!failed && commit && problem) {
            Fail(field, *problem);
        }
    }

    // A path: a relative one is taken from the folder the program started in and
    // shown in full, so the same entry names the same file after a run has
    // changed the working directory.
    void Path(Field field, std::string& value, std::size_t maxChars) {
        Label(field, value);
        if (!failed && commit && !IsBlank(value) && PathFromUtf8(value).is_relative()) {
            value = Utf8FromPath(
                (PathFromUtf8(form.startFolder) / PathFromUtf8(value)).make_preferred());
            view.SetText(field, value);
        }
        Refuse(field, TextLengthProblem(value, maxChars));
    }

    // An unsigned decimal number; one outside the range is stored before it is
    // reported, one that is no number (or beyond 32 bits) leaves the value alone.
    void Number(Field field, std::uint32_t& value, const NumberRule& rule) {
        if (failed) {
            return;
        }
        if (!commit) {
            view.SetText(field, std::to_string(value));
            return;
        }
        Refuse(field, NumberProblem(view.Text(field), rule, value));
    }

    void Check(Field field, bool& value) {
        if (failed) {
            return;
        }
        if (commit) {
            value = view.IsChecked(field);
        } else {
            view.SetChecked(field, value);
        }
    }

private:
    void Fail(Field field, const std::string& message) {
        failed = true;
        view.ReportProblem(field, message);
    }

    MainWindowForm& form;
    MainWindowView& view;
    bool commit;
    bool failed = false;
};

MainWindowForm::MainWindowForm(MainWindowView& view, SettingsStore& store, std::string startFolder)
    : view(view), store(store), startFolder(std::move(startFolder)) {}

bool MainWindowForm::Exchange(bool commit) {
    // Focus changes and message boxes of this pass must not start another one.
    const Raise guard(exchanging);
    if (commit) {
        leaveCommitPending = false; // this commit is the one leaving a field asked for
    }
    Pass pass(*this, commit);
    ExchangeFields(pass);
    if (commit) {
        KeepSuggestionTruthful();
    }
    return !pass.Failed();
}

void MainWindowForm::ExchangeFields(Pass& pass) {
    pass.Label(Field::ThresholdLabel, held.thresholdText);
    pass.Label(Field::MaximumLabel, maximumLabel);
    pass.Text(Field::FileNamePrefix, held.fileNamePrefix, kMaxPrefixCharacters);
    pass.Refuse(Field::FileNamePrefix, PrefixProblem(held.fileNamePrefix));
    pass.Path(Field::InputPath, held.inputPath, kMaxPathCharacters);
    pass.Path(Field::OutputFolder, held.outputFolder, kMaxPathCharacters);
    pass.Number(Field::MinTrackLength, held.minTrackLengthSec, kMinTrackLengthSecRule);
    pass.Number(Field::SilenceLength, held.silenceLengthMs, kSilenceLengthMsRule);
    pass.Number(Field::AppendSilence, held.appendSilenceMs, kAppendSilenceMsRule);
    pass.Number(Field::FirstNumber, held.naming.firstNumber, kFirstNumberRule);
    for (auto [field, tag] : TagFields(held.naming)) {
        pass.Label(field, *tag);
    }
    pass.Check(Field::TrimSilence, held.trimSilence);
    pass.Check(Field::WriteCueSheet, held.writeCueSheet);
}

void MainWindowForm::Open() {
    Exchange(false);
    // Close compares with what is stored, so a refused value shown as its
    // default is written over.
    loaded = held;
    ReadStoredOptions(store, loaded);
    LoadOptionSettings(store, held);
    browseFolder = store.ReadText(kFoldersSection, kLastFolderEntry).value_or(startFolder);
    maximumLabel = ThresholdMaximumLabel();

    // Placing the trackbar is not a move: the label keeps the stored text.
    view.SetThresholdPosition(ThresholdPositionForText(held.thresholdText));
    // The arrows keep a 16-bit position, as the native control does.
    const auto arrowPosition = [](std::uint32_t value) { return static_cast<int>(value & 0xFFFF); };
    const auto setArrows = [this, &arrowPosition](Field field, const NumberRule& rule,
                                                  std::uint32_t value) {
        view.SetArrows(field, static_cast<int>(rule.minimum), static_cast<int>(rule.maximum),
                       arrowPosition(value));
    };
    setArrows(Field::AppendSilence, kAppendSilenceMsRule, held.appendSilenceMs);
    setArrows(Field::SilenceLength, kSilenceLengthMsRule, held.silenceLengthMs);
    setArrows(Field::MinTrackLength, kMinTrackLengthSecRule, held.minTrackLengthSec);
    view.SetChecked(held.useAverageMethod ? Field::AverageMethod : Field::MaximumMethod, true);
    if (!IsBlank(fileToOpen)) {
        const std::filesystem::path given = PathFromUtf8(fileToOpen);
        held.inputPath = Utf8FromPath(
            given.is_relative() ? (PathFromUtf8(startFolder) / given).make_preferred() : given);
    }

    Exchange(false);
    view.Focus(Field::InputPath);
    opened = true;
}

void MainWindowForm::ThresholdMoved(int position) {
    if (IgnoringNotifications()) {
        return;
    }
    held.thresholdText = ThresholdTextForPosition(position);
    view.SetText(Field::ThresholdLabel, held.thresholdText);
    KeepSuggestionTruthful();
}

void MainWindowForm::ApplyChosenOptions(const std::string& thresholdText, bool useAverageMethod) {
    const Raise quiet(exchanging);
    held.thresholdText = thresholdText;
    held.useAverageMethod = useAverageMethod;
    view.SetThresholdPosition(ThresholdPositionForText(thresholdText));
    view.SetText(Field::ThresholdLabel, thresholdText);
    view.SetChecked(useAverageMethod ? Field::AverageMethod : Field::MaximumMethod, true);
    KeepSuggestionTruthful();
}

void MainWindowForm::MethodClicked(Field button) {
    if (IgnoringNotifications()) {
        return;
    }
    // The held flag follows the button that was clicked, as that button reports it.
    const bool checked = view.IsChecked(button);
    held.useAverageMethod = button == Field::AverageMethod ? checked : !checked;
    KeepSuggestionTruthful();
}

void MainWindowForm::ShowSuggestion(const std::string& line) {
    shownSuggestion = ShownSuggestion{held.thresholdText, held.useAverageMethod, held.inputPath,
                                      held.silenceLengthMs};
    view.SetText(Field::SuggestionLine, line);
}

void MainWindowForm::ForgetSuggestion() {
    if (shownSuggestion) {
        shownSuggestion.reset();
        view.SetText(Field::SuggestionLine, std::string());
    }
}

void MainWindowForm::KeepSuggestionTruthful() {
    if (shownSuggestion && (shownSuggestion->thresholdText != held.thresholdText ||
                            shownSuggestion->useAverageMethod != held.useAverageMethod ||
                            shownSuggestion->inputPath != held.inputPath ||
                            shownSuggestion->silenceLengthMs != held.silenceLengthMs)) {
        ForgetSuggestion();
    }
}

void MainWindowForm::RememberBrowseFolder(const std::string& folder) {
    if (folder.empty() || folder == browseFolder) {
        return;
    }
    browseFolder = folder;
    store.WriteSection(kFoldersSection, {{kLastFolderEntry, browseFolder}});
}

void MainWindowForm::BrowseInput() {
    if (!CommitLeftField()) {
        return;
    }
    if (const std::optional<std::string> chosen = view.ChooseInputFile(browseFolder)) {
        held.inputPath = *chosen;
        view.SetText(Field::InputPath, held.inputPath);
        KeepSuggestionTruthful();
        RememberBrowseFolder(Utf8FromPath(PathFromUtf8(*chosen).parent_path()));
    }
}

void MainWindowForm::BrowseOutput() {
    if (!CommitLeftField()) {
        return;
    }
    std::string folder;
    if (view.PickOutputFolder(folder, browseFolder) == FolderChoice::Chosen) {
        RememberBrowseFolder(folder);
        held.outputFolder = folder;
        view.SetText(Field::OutputFolder, held.outputFolder);
    }
}

void MainWindowForm::ItemDropped(const std::string& path, bool isFolder) {
    if (running || IgnoringNotifications() || path.empty()) {
        return;
    }
    std::string& value = isFolder ? held.outputFolder : held.inputPath;
    value = path;
    view.SetText(isFolder ? Field::OutputFolder : Field::InputPath, value);
    KeepSuggestionTruthful();
}

void MainWindowForm::Start() {
    if (running || !opened || !Exchange(true)) {
        return;
    }
    SplitOptions options = held;
    // The engine takes the two flags straight from the controls.
    options.trimSilence = view.IsChecked(Field::TrimSilence);
    options.useAverageMethod = view.IsChecked(Field::AverageMethod);

    const Raise busy(running);
    const std::unique_ptr<SplitHost> host = view.CreateHost();
    try {
        RunSplitJob(options, *host);
    } catch (const std::bad_alloc&) {
        // Unwinding has released the run's buffers, files and progress window.
        host->ShowMessage(messages::kNotEnoughMemory, messages::kErrorCaption, MessageKind::Error);
    }
}

// Reads the recording for the threshold that separates its pauses from its
// sound, for the silence length and method the window shows, and moves the
// trackbar there (and switches the method where the other one works). A
// suggestion says what it set in the line under the trackbar, without a box; a
// problem is explained in a box. Cancel in the progress window leaves everything
// as it was.
void MainWindowForm::SuggestThreshold() {
    if (running || !opened || !Exchange(true)) {
        return;
    }
    SplitOptions options = held;
    options.useAverageMethod = view.IsChecked(Field::AverageMethod);
    const std::unique_ptr<SplitHost> host = view.CreateHost();
    ThresholdSuggestion suggestion;
    try {
        const Raise busy(running);
        suggestion = RunThresholdSuggestion(options, *host);
    } catch (const std::bad_alloc&) {
        suggestion.outcome = ThresholdSuggestion::Outcome::OutOfMemory;
    }
    using Outcome = ThresholdSuggestion::Outcome;
    if (suggestion.outcome == Outcome::Suggested) {
        ApplyChosenOptions(suggestion.thresholdText, suggestion.useAverageMethod);
        // The advice of a suggestion is the sentence that says it switched the method.
        ShowSuggestion(suggestion.advice.empty() ? FormatText(messages::kSuggestedThreshold,
                                                              suggestion.thresholdText.c_str())
                                                 : suggestion.advice);
        return;
    }
    if (suggestion.outcome == Outcome::Cancelled) {
        return;
    }
    ForgetSuggestion();
    std::string message = SuggestionProblemText(suggestion.outcome);
    if (!suggestion.advice.empty()) {
        message += message.empty() ? "" : "\n\n";
        message += suggestion.advice;
    }
    if (!message.empty()) {
        host->ShowMessage(message, "Suggested threshold", MessageKind::Notice);
    }
}

bool MainWindowForm::Close() {
    if (running) {
        return false; // the window is disabled while the engine works
    }
    if (opened) {
        Exchange(true); // whatever the outcome, what is held is saved
        SaveOptionSettings(store, held, loaded);
    }
    return true;
}

bool MainWindowForm::CommitsOnLeave(Field field) {
    return field == Field::FileNamePrefix || field == Field::MinTrackLength ||
           field == Field::SilenceLength;
}

void MainWindowForm::FieldLeft() {
    if (!IgnoringNotifications() && !running) {
        leaveCommitPending = true;
    }
}

bool MainWindowForm::CommitLeftField() {
    if (!leaveCommitPending || running || IgnoringNotifications()) {
        return true;
    }
    leaveCommitPending = false;
    return Exchange(true);
}
