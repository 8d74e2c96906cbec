// What the main window does apart from drawing: it holds one value per option,
// exchanges them with the view's fields in one fixed order (checking each as it
// is read and stopping at the first that fails), decides when leaving a field
// commits, runs Start and Suggest on the engine, and loads the options when the
// window opens and saves them when it closes.
#pragma once

#include "MainWindowView.h"
#include "SettingsStore.h"
#include "SplitOptions.h"

#include <cstdint>
#include <optional>
#include <string>

class MainWindowForm {
public:
    using Field = MainWindowView::Field;

    // Relative paths are taken from `startFolder`, the working directory when
    // the program started; a run makes the output folder the working directory.
    MainWindowForm(MainWindowView& view, SettingsStore& store, std::string startFolder);

    // The program was started on a file (its command line, "Open with"): the
    // window opens with it in the file field, a relative path taken from
    // startFolder and shown in full. Called before Open.
    void StartWithFile(const std::string& path) { fileToOpen = path; }

    // The window has opened: load the stored options and show them.
    void Open();

    // Show (false) writes the held values into the fields; commit (true) reads
    // and checks them in order, stopping at the first field that fails.
    bool Exchange(bool commit);

    // The trackbar moved to `position`.
    void ThresholdMoved(int position);
    // One of the method radio buttons was clicked.
    void MethodClicked(Field button);
    void BrowseInput();
    void BrowseOutput();
    // Something was dropped on the window: a file becomes the file to split, a
    // folder the output folder, shown in its field as a browse button would.
    // Ignored while a run is going on.
    void ItemDropped(const std::string& path, bool isFolder);
    void Start();
    void SuggestThreshold();
    // The threshold and method the user settled on while confirming a run (the
    // review window) become the window's own, as if set here; Close saves them.
    void ApplyChosenOptions(const std::string& thresholdText, bool useAverageMethod);
    // Commits whatever the outcome and saves the options; false while a run is
    // going on, when the window must stay.
    bool Close();

    // Leaving these fields commits the window.
    static bool CommitsOnLeave(Field field);
    // The user left such a field; the commit runs when the view calls
    // CommitLeftField, after the focus change has finished (or earlier, when a
    // browse button is clicked meanwhile).
    void FieldLeft();
    // Runs the commit that leaving a field has asked for; false when it failed.
    bool CommitLeftField();

    // Control notifications are ignored while a commit or show runs and before
    // the window has opened, and focus changes while the engine runs.
    bool IgnoringNotifications() const { return exchanging || !opened; }
    bool Running() const { return running; }
    bool IsOpen() const { return opened; }

    // The values as the window holds them (the two flags as last committed or clicked).
    const SplitOptions& Held() const { return held; }

private:
    class Pass;

    void ExchangeFields(Pass& pass);
    void RememberBrowseFolder(const std::string& folder);
    // The line under the trackbar that says what the last Suggest set; it goes
    // once the window holds another threshold, method, recording or silence
    // length than the suggestion was for.
    void ShowSuggestion(const std::string& line);
    void ForgetSuggestion();
    void KeepSuggestionTruthful();

    MainWindowView& view;
    SettingsStore& store;
    std::string startFolder;
    std::string fileToOpen;
    // Where the file dialog and the folder picker open: the folder last chosen in
    // either (kept with the settings), else the start folder.
    std::string browseFolder;

    SplitOptions held;
    std::string maximumLabel;
    // The options as loaded: Close writes back only what changed.
    SplitOptions loaded;

    // What the suggestion now shown was made for and set.
    struct ShownSuggestion {
        std::string thresholdText;
        bool useAverageMethod = false;
        std::string inputPath;
        std::uint32_t silenceLengthMs = 0;
    };
    std::optional<ShownSuggestion> shownSuggestion;

    bool opened = false;
    bool exchanging = false;
    bool running = false;
    bool leaveCommitPending = false;
};
