// What the review window decides before anything is written, without a window
// toolkit: the cuts the user keeps, selects, moves, adds and deletes (each edit
// undoable), the plans the analysis proposes when the threshold or the method
// changes, tracks by count, the titles typed per track, which files already
// exist, and the summary. The Qt and Win32 review windows are views over it.
#pragma once

#include "LevelTable.h"
#include "SegmentWriter.h"
#include "SplitHost.h"
#include "SplitOptions.h"
#include "SplitPlan.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// One state of the review: the plan as the writer will cut it, the analysis
// settings that last proposed a plan, and the titles per track. Undo and redo
// step between such states.
struct ReviewState {
    SplitPlan plan;
    std::string thresholdText;
    bool useAverageMethod = false;
    bool edited = false;             // cuts moved, added or deleted by hand, or split by count
    std::vector<std::string> titles; // one per track; empty strings where none is typed
};

// What became of an edit: done, or refused (nothing changed) with the reason as
// a sentence for the user.
struct EditResult {
    bool done = false;
    std::string problem;
};

// One row of the summary: a label and its value (both shown in aligned
// columns), or a line of its own when the value is empty.
// What became of saving the labels: saved, with where for the status line, or
// not, with the sentence that says why.
struct LabelSaveResult {
    bool saved = false;
    std::string text;
};

struct SummaryRow {
    std::string label;
    std::string value;
};

class ReviewModel {
public:
    struct Recording {
        std::uint32_t frameCount = 0;
        std::uint32_t sampleRate = 0;
        std::uint16_t bitsPerSample = 16;
    };

    // `options` and `proposed` are what the analysis ran with and found.
    ReviewModel(const SplitOptions& options, const SplitPlan& proposed, Recording recording);

    // --- The plan shown ------------------------------------------------------
    const ReviewState& State() const;
    const SplitPlan& Plan() const { return State().plan; }
    const Recording& Source() const { return recording; }
    // The files as the writer cuts them (LayOutSegments of the plan).
    std::vector<SegmentSpan> Spans() const;
    // Where each file ends and the next begins: the first frame of file 2, 3, ...
    std::vector<std::uint32_t> CutFrames() const;
    std::uint32_t TrackCount() const; // files the plan writes; 0 when it has no cut
    // False while the plan is the one the analysis first proposed.
    bool Changed() const;
    // The options the shown plan is written with: the proposal's, with the
    // threshold, method and titles of the shown state.
    SplitOptions OptionsForPlan() const;
    // The name (no folder) of the file at `position` (1-based), as it is written.
    std::string FileName(std::uint32_t position) const;
    // The names of every file the plan writes, in order.
    std::vector<std::string> FileNames() const;
    // The shown plan as a label file ("start<TAB>end<TAB>name", seconds), which
    // audio editors import and `--cuts` reads back to the same files.
    std::string LabelText() const;
    // The name the labels are offered under: the album's, or the prefix's
    // followed by "labels", as a .txt file.
    std::string LabelFileName() const;
    // Whether the labels may be saved: the plan has a cut and no analysis is awaited.
    bool CanSaveLabels() const;
    // Saves the labels at `path` (UTF-8), never over the recording at
    // `recordingPath`, a file the plan writes into `outputFolderPath`, or a file
    // that is no label file.
    LabelSaveResult SaveLabels(const std::string& path, const std::string& recordingPath,
                               const std::string& outputFolderPath) const;
    // Whether OK may write: the plan has a cut, no analysis is awaited, and the
    // names are fine (no value) or the problem that stops it.
    bool CanWrite() const;
    std::optional<std::string> WriteProblem() const;
    // What OK hands back to the job: the shown plan, its threshold and method and
    // the titles (`changed` when any of them differs from the proposal).
    SplitHost::ChosenPlan Chosen() const;

    // --- Selection --------------------------------------------------------------
    std::optional<std::size_t> SelectedCut() const { return selected; }
    // Where the selected cut lies (the first frame of the file after it), if any.
    std::optional<std::uint32_t> SelectedCutFrame() const;
    void SelectCut(std::optional<std::size_t> cut);
    // Left/Right: the cut before or after the selected one (or the first/last).
    void SelectNextCut();
    void SelectPreviousCut();
    // The cut nearest `frame` within `toleranceFrames`, if any.
    std::optional<std::size_t> CutNear(std::uint32_t frame, std::uint32_t toleranceFrames) const;
    // The file (1-based position) that holds `frame`; none in trimmed parts.
    std::optional<std::uint32_t> TrackAt(std::uint32_t frame) const;

    // --- Edits: each one undo step; a refused edit changes nothing -------------
    // Moves the selected cut to `frame` (snapped when snapping is on; the writer
    // cuts at the first window boundary at or after it).
    EditResult MoveSelectedCut(std::uint32_t frame);
    // Moves the selected cut by whole analysis windows (Shift+Left/Right); never snapped.
    // Refused edits give the reason; a move onto where the cut is changes nothing.
    EditResult NudgeSelectedCut(int windows);
    // A drag is one undo step however many moves it makes.
    void BeginDrag();
    EditResult DragSelectedCut(std::uint32_t frame);
    void EndDrag();
    // A new cut at `frame` (snapped when snapping is on); it becomes the selected one.
    EditResult AddCut(std::uint32_t frame);
    EditResult DeleteSelectedCut();
    bool CanUndo() const;
    bool CanRedo() const;
    bool Undo();
    bool Redo();
    // Moved and added cuts go to the quietest window within a short distance.
    void SetSnapping(bool on) { snapping = on; }
    bool Snapping() const { return snapping; }

    // --- Analysis ---------------------------------------------------------------
    // The threshold or method changed: until the new plan arrives the model is
    // analysing (the view greys the bands and OK waits). Undo and redo give up
    // the plan awaited: the threshold and method go back with the state shown.
    void AnalysisRequested(std::uint64_t generation);
    bool Analysing() const { return awaited != 0; }
    // A new plan for a threshold and method: it replaces the shown one as one undo
    // step (undo brings the edited plan back). Ignored unless it is the awaited
    // generation.
    void AnalysisArrived(std::uint64_t generation, const SplitPlan& plan,
                         const std::string& thresholdText, bool useAverageMethod);
    // The awaited analysis could not be made (the recording could not be read
    // again): the shown plan stays, and the model no longer waits.
    void AnalysisFailed(std::uint64_t generation);
    // The levels of the recording (the re-planning worker's table of blocks, a
    // whole fraction of the analysis window), once measured: snapping and tracks
    // by count work from them.
    // Null: they cannot be measured; the waveform and tracks by count go without.
    void SetLevels(std::shared_ptr<const LevelTable> table);
    bool HasLevels() const { return levels != nullptr; }
    bool LevelsPending() const { return !levels && !levelsUnavailable; }
    const LevelTable* Levels() const { return levels.get(); }
    // "This side has N tracks": cuts at the N - 1 pauses that best separate the
    // recording, as one undo step. Needs the levels. `done` with a problem text
    // when fewer pauses were found (the plan then has what was found).
    EditResult SplitIntoTracks(std::uint32_t count);

    // --- Titles ----------------------------------------------------------------
    // The title of the file at `position` (1-based); editing one is not an undo
    // step, but every edit of the cuts keeps the titles with their tracks.
    const std::string& Title(std::uint32_t position) const;
    void SetTitle(std::uint32_t position, std::string title);

    // --- Files already in the output folder ------------------------------------
    // The names of the files in the output folder now (no folder).
    void SetExistingFiles(const std::vector<std::string>& names);
    bool Replaces(std::uint32_t position) const;
    std::uint32_t ReplacedCount() const;

    // --- Summary ----------------------------------------------------------------
    // The report's lines as label and value, then a line on the files replaced.
    std::vector<SummaryRow> Summary() const;

private:
    ReviewState& Current() { return history[shown]; }
    void Push(ReviewState state);
    // The shown state with the cut `cut` at `frame` (or a new cut there, when no
    // cut is given), checked and with its cut points where the writer cuts.
    EditResult Place(std::optional<std::size_t> cut, std::uint32_t frame, bool snap);
    // Makes `next` the shown state: a new undo step, or the drag's step again.
    void Commit(ReviewState next, std::optional<std::size_t> select);
    // Takes a plan the analysis or the count proposed, titles kept by track.
    void Replace(const SplitPlan& plan, const std::string& thresholdText, bool useAverageMethod,
                 bool edited);
    std::uint32_t Snapped(std::uint32_t frame, std::uint64_t lower, std::uint64_t upper) const;
    std::uint64_t KeptEnd() const;
    std::uint64_t MinimumFrames() const;

    const SplitOptions options;
    const Recording recording;
    std::vector<ReviewState> history; // [0] is the proposal
    std::size_t shown = 0;
    std::optional<std::size_t> selected;
    bool snapping = true;
    bool dragging = false;
    std::optional<std::size_t> dragBase; // the state a drag started from, once it moved
    std::uint64_t awaited = 0;
    std::shared_ptr<const LevelTable> levels;
    bool levelsUnavailable = false;
    std::set<std::u32string> existing; // folded names
};
