// What the main window's form asks of the window that shows it: the fields'
// texts and check marks, the trackbar and the arrows, messages and focus, the
// file and folder choosers, and the host the engine runs in.
#pragma once

#include "SplitHost.h"

#include <memory>
#include <optional>
#include <string>

// How the folder picker ended.
enum class FolderChoice {
    Chosen,      // the user chose a folder that has a file-system path
    Cancelled,   // cancelled, or the chosen item has no file-system path
    Unavailable, // no picker could be shown
};

// The folder pickers' own answer: 1 chosen, 0 cancelled, -1 not shown.
constexpr FolderChoice FolderChoiceOfPicker(int result) {
    return result == 1   ? FolderChoice::Chosen
           : result == 0 ? FolderChoice::Cancelled
                         : FolderChoice::Unavailable;
}

class MainWindowView {
public:
    enum class Field {
        InputPath,
        OutputFolder,
        FileNamePrefix,
        MinTrackLength,
        SilenceLength,
        AppendSilence,
        ThresholdLabel, // the threshold text under the trackbar
        MaximumLabel,   // the label at the right end of the trackbar
        TrimSilence,    // check box
        AverageMethod,  // radio button
        MaximumMethod,  // radio button
        FirstNumber,    // the number of the first file written
        Artist,         // the tags written into every file
        Album,
        Date,
        Genre,
        Comment,
        WriteCueSheet,  // check box: a cue sheet of the recording beside the tracks
        SuggestionLine, // what the last Suggest set, under the trackbar
    };

    virtual ~MainWindowView() = default;

    // UTF-8. Setting a text shows it in full, whatever the field's typing limit.
    virtual std::string Text(Field field) const = 0;
    virtual void SetText(Field field, const std::string& text) = 0;
    virtual bool IsChecked(Field field) const = 0;
    virtual void SetChecked(Field field, bool checked) = 0;
    // Places the trackbar without reporting a move.
    virtual void SetThresholdPosition(int position) = 0;
    // The up-down arrows on a number field: their range and position.
    virtual void SetArrows(Field field, int minimum, int maximum, int position) = 0;
    virtual void Focus(Field field) = 0;

    // A modal warning naming the rule an entry broke; the field then has the
    // focus with its whole text selected.
    virtual void ReportProblem(Field field, const std::string& message) = 0;

    // The file chosen in a file-open dialog for WAV files (its full path), or no
    // value when cancelled. The dialog opens in startFolder.
    virtual std::optional<std::string> ChooseInputFile(const std::string& startFolder) = 0;
    // `folder` holds the chosen folder, and is used, only when one was chosen.
    // The picker opens at startFolder.
    virtual FolderChoice PickOutputFolder(std::string& folder, const std::string& startFolder) = 0;

    // The engine's host for one run: progress window and messages over this window.
    virtual std::unique_ptr<SplitHost> CreateHost() = 0;
};
