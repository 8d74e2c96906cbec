#include "ReviewModel.h"

#include "CutList.h"
#include "LabelFile.h"
#include "Messages.h"
#include "NameFolding.h"
#include "PlanReview.h"
#include "TrackNaming.h"
#include "TracksByCount.h"

#include <algorithm>
#include <cstdlib>

namespace {

// How far a moved or added cut may travel to a quieter window.
constexpr std::uint64_t kSnapDistanceMs = 1500;

bool SameCuts(const SplitPlan& a, const SplitPlan& b) {
    return a.splitPoints == b.splitPoints && a.leadTrimFrame == b.leadTrimFrame &&
           a.tailEndFrame == b.tailEndFrame && a.windowFrames == b.windowFrames;
}

std::uint64_t Length(const SegmentSpan& span) {
    return span.endFrame - span.firstFrame;
}

// Where the writer cuts: the ends of every file but the last.
std::vector<std::uint32_t> CutsOf(const std::vector<SegmentSpan>& spans) {
    std::vector<std::uint32_t> cuts;
    for (std::size_t s = 0; s + 1 < spans.size(); ++s) {
        cuts.push_back(spans[s].endFrame);
    }
    return cuts;
}

// The titles for another plan's tracks: by position when the count stays, else
// with the track that starts where it did.
std::vector<std::string> TitlesFor(const std::vector<SegmentSpan>& before,
                                   const std::vector<std::string>& titles,
                                   const std::vector<SegmentSpan>& after) {
    if (before.size() == after.size()) {
        return titles;
    }
    std::vector<std::string> kept(after.size());
    for (std::size_t n = 0; n < after.size(); ++n) {
        for (std::size_t o = 0; o < before.size() && o < titles.size(); ++o) {
            if (before[o].firstFrame == after[n].firstFrame) {
                kept[n] = titles[o];
            }
        }
    }
    return kept;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::u32string FoldedFile(const std::string& name) {
    return FoldedName(FoldedFileName(name));
}

} // namespace

ReviewModel::ReviewModel(const SplitOptions& proposalOptions, const SplitPlan& proposed,
                         Recording source)
    : options(proposalOptions), recording(source) {
    ReviewState first;
    first.plan = proposed;
    first.thresholdText = options.thresholdText;
    first.useAverageMethod = options.useAverageMethod;
    first.titles = options.naming.titles;
    first.titles.resize(proposed.splitPoints.size() + 1);
    history.push_back(std::move(first));
}

const ReviewState& ReviewModel::State() const {
    return history[shown];
}

std::vector<SegmentSpan> ReviewModel::Spans() const {
    return LayOutSegments(Plan(), recording.frameCount);
}

std::vector<std::uint32_t> ReviewModel::CutFrames() const {
    return CutsOf(Spans());
}

std::uint32_t ReviewModel::TrackCount() const {
    const std::size_t cuts = Plan().splitPoints.size();
    return cuts == 0 ? 0 : static_cast<std::uint32_t>(cuts + 1);
}

bool ReviewModel::Changed() const {
    const ReviewState& first = history.front();
    return !SameCuts(State().plan, first.plan) || State().thresholdText != first.thresholdText ||
           State().useAverageMethod != first.useAverageMethod;
}

SplitOptions ReviewModel::OptionsForPlan() const {
    SplitOptions written = options;
    written.thresholdText = State().thresholdText;
    written.useAverageMethod = State().useAverageMethod;
    const std::vector<std::string>& titles = State().titles;
    const bool typed =
        std::any_of(titles.begin(), titles.end(), [](const std::string& t) { return !t.empty(); });
    // Without a title the files keep the plain names.
    written.naming.titles = typed ? titles : std::vector<std::string>();
    return written;
}

std::string ReviewModel::FileName(std::uint32_t position) const {
    return TrackFileName(options.fileNamePrefix, OptionsForPlan().naming, position,
                         std::max<std::uint32_t>(1, TrackCount()));
}

std::optional<std::uint32_t> ReviewModel::SelectedCutFrame() const {
    const std::vector<std::uint32_t> cuts = CutFrames();
    if (!selected || *selected >= cuts.size()) {
        return std::nullopt;
    }
    return cuts[*selected];
}

std::vector<std::string> ReviewModel::FileNames() const {
    std::vector<std::string> names;
    for (std::uint32_t position = 1; position <= TrackCount(); ++position) {
        names.push_back(FileName(position));
    }
    return names;
}

std::string ReviewModel::LabelText() const {
    return FormatLabels(Plan(), recording.frameCount, recording.sampleRate, options.fileNamePrefix,
                        OptionsForPlan().naming);
}

std::string ReviewModel::LabelFileName() const {
    const auto trimmed = [](const std::string& text) {
        const std::size_t first = text.find_first_not_of(" \t");
        return first == std::string::npos
                   ? std::string()
                   : text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    const std::string album = trimmed(options.naming.album);
    return FileNameSafeText(album.empty() ? trimmed(options.fileNamePrefix) + "labels" : album) +
           ".txt";
}

bool ReviewModel::CanSaveLabels() const {
    return TrackCount() != 0 && !Analysing();
}

LabelSaveResult ReviewModel::SaveLabels(const std::string& path, const std::string& recordingPath,
                                        const std::string& outputFolderPath) const {
    std::string why;
    const LabelFileResult result =
        SaveLabelFile(path, LabelText(), recordingPath, outputFolderPath, FileNames(), why);
    if (result == LabelFileResult::Written) {
        return {true, FormatText(messages::kLabelsSaved, path.c_str())};
    }
    return {false, SideFileFailureText("label file", path, result, why)};
}

bool ReviewModel::CanWrite() const {
    return TrackCount() != 0 && !Analysing() && !WriteProblem();
}

std::optional<std::string> ReviewModel::WriteProblem() const {
    if (TrackCount() == 0) {
        return std::nullopt;
    }
    return TrackNamesProblem(options.fileNamePrefix, OptionsForPlan().naming, TrackCount());
}

SplitHost::ChosenPlan ReviewModel::Chosen() const {
    SplitHost::ChosenPlan chosen;
    chosen.plan = Plan();
    chosen.thresholdText = State().thresholdText;
    chosen.useAverageMethod = State().useAverageMethod;
    chosen.titles = OptionsForPlan().naming.titles;
    chosen.changed = Changed() || chosen.titles != options.naming.titles;
    return chosen;
}

// --- Selection ----------------------------------------------------------------

void ReviewModel::SelectCut(std::optional<std::size_t> cut) {
    selected = cut && *cut < Plan().splitPoints.size() ? cut : std::nullopt;
}

void ReviewModel::SelectNextCut() {
    const std::size_t count = Plan().splitPoints.size();
    if (count != 0) {
        selected = selected ? std::min(*selected + 1, count - 1) : 0;
    }
}

void ReviewModel::SelectPreviousCut() {
    const std::size_t count = Plan().splitPoints.size();
    if (count != 0) {
        selected = selected ? (*selected == 0 ? 0 : *selected - 1) : count - 1;
    }
}

std::optional<std::size_t> ReviewModel::CutNear(std::uint32_t frame,
                                                std::uint32_t toleranceFrames) const {
    std::optional<std::size_t> nearest;
    std::uint64_t best = std::uint64_t{toleranceFrames} + 1;
    const std::vector<std::uint32_t> cuts = CutFrames();
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const std::uint64_t distance = cuts[i] > frame ? cuts[i] - frame : frame - cuts[i];
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

std::optional<std::uint32_t> ReviewModel::TrackAt(std::uint32_t frame) const {
    if (TrackCount() == 0) {
        return std::nullopt;
    }
    const std::vector<SegmentSpan> spans = Spans();
    for (std::size_t s = 0; s < spans.size(); ++s) {
        if (frame >= spans[s].firstFrame && frame < spans[s].endFrame) {
            return static_cast<std::uint32_t>(s + 1);
        }
    }
    return std::nullopt;
}

// --- Edits ----------------------------------------------------------------------

std::uint64_t ReviewModel::KeptEnd() const {
    const std::uint32_t tail = Plan().tailEndFrame;
    return tail != 0 ? std::min(tail, recording.frameCount) : recording.frameCount;
}

std::uint64_t ReviewModel::MinimumFrames() const {
    return std::uint64_t{recording.sampleRate} * options.minTrackLengthSec;
}

void ReviewModel::Push(ReviewState state) {
    history.resize(shown + 1); // an edit after undo drops what could be redone
    history.push_back(std::move(state));
    shown = history.size() - 1;
}

void ReviewModel::Commit(ReviewState next, std::optional<std::size_t> select) {
    if (dragging && dragBase) {
        history[shown] = std::move(next);
    } else {
        if (dragging) {
            dragBase = shown;
        }
        Push(std::move(next));
    }
    selected = select;
}

EditResult ReviewModel::Place(std::optional<std::size_t> cut, std::uint32_t frame, bool snap) {
    // A drag measures every step from where it started, so it stays one edit.
    const ReviewState base = dragging && dragBase ? history[*dragBase] : State();
    const SplitPlan& plan = base.plan;
    const std::uint64_t window = plan.windowFrames;
    const std::uint64_t lead = plan.leadTrimFrame;
    const std::uint64_t kept = KeptEnd();
    if (window == 0 || frame < lead || frame >= kept) {
        return {false, messages::kCutInTrimmedPart};
    }
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, recording.frameCount);
    const std::vector<std::uint32_t> cuts = CutsOf(spans);
    std::size_t index = cut ? *cut
                            : static_cast<std::size_t>(
                                  std::upper_bound(cuts.begin(), cuts.end(), frame) - cuts.begin());
    if (cut && index >= cuts.size()) {
        return {false, messages::kNoCutSelected};
    }
    const std::uint64_t lower = index > 0 ? cuts[index - 1] : lead;
    const std::size_t after = cut ? index + 1 : index;
    const std::uint64_t upper = after < cuts.size() ? cuts[after] : kept;
    if (cut && (frame < lower || frame > upper)) {
        return {false, messages::kCutPassesNeighbour};
    }
    const std::uint64_t target = snap && snapping ? Snapped(frame, lower, upper) : frame;
    // The writer cuts at the first window boundary, counted from the lead trim, at or after it.
    const std::uint64_t boundary = lead + (target - lead + window - 1) / window * window;

    std::vector<std::uint32_t> moved = cuts;
    std::vector<std::string> titles = base.titles;
    if (cut) {
        moved[index] = static_cast<std::uint32_t>(std::min<std::uint64_t>(boundary, UINT32_MAX));
    } else {
        moved.insert(moved.begin() + static_cast<std::ptrdiff_t>(index),
                     static_cast<std::uint32_t>(std::min<std::uint64_t>(boundary, UINT32_MAX)));
        titles.insert(titles.begin() +
                          static_cast<std::ptrdiff_t>(std::min(index + 1, titles.size())),
                      std::string());
    }
    if (cut && moved == cuts) {
        if (dragging && dragBase) {
            history[shown] = base; // dragged back to where it started
        }
        return {true, {}}; // where it is already
    }
    const std::string tooShort =
        FormatText(messages::kTrackBelowMinimum, static_cast<unsigned>(options.minTrackLengthSec));
    ReviewState next = base;
    if (!PlanFromCutPoints(moved, plan.leadTrimFrame, plan.tailEndFrame, recording.frameCount,
                           plan.windowFrames, plan.silenceSample, next.plan)) {
        return {false, tooShort}; // a file would be empty
    }
    // The two tracks beside the cut may not become shorter than the minimum
    // (one that was shorter already, as a trimmed last track may be, may grow).
    const std::vector<SegmentSpan> laid = LayOutSegments(next.plan, recording.frameCount);
    for (const std::size_t track : {index, index + 1}) {
        const std::uint64_t was = Length(spans[cut ? track : index]);
        const std::uint64_t now = Length(laid[track]);
        if (now < MinimumFrames() && now < was) {
            return {false, tooShort};
        }
    }
    next.edited = true;
    next.titles = std::move(titles);
    Commit(std::move(next), index);
    return {true, {}};
}

std::uint32_t ReviewModel::Snapped(std::uint32_t frame, std::uint64_t lower,
                                   std::uint64_t upper) const {
    const SplitPlan& plan = Plan();
    const std::uint64_t window = plan.windowFrames;
    if (!levels || levels->windowFrames == 0 || levels->windows.empty() || window == 0) {
        return frame;
    }
    const std::uint64_t reach = std::uint64_t{recording.sampleRate} * kSnapDistanceMs / 1000;
    const std::uint64_t lead = plan.leadTrimFrame;
    const std::uint64_t from = std::max<std::uint64_t>(lower, frame > reach ? frame - reach : 0);
    const std::uint64_t to = std::min<std::uint64_t>(upper, std::uint64_t{frame} + reach + 1);
    const bool average = State().useAverageMethod;
    const std::uint64_t block = levels->windowFrames;
    std::optional<std::uint64_t> best;
    std::uint64_t bestLevel = 0;
    std::uint64_t bestDistance = 0;
    // Each window boundary the writer can cut at, judged by the window before it.
    for (std::uint64_t cut = lead + ((from - lead) / window + 1) * window; cut < to;
         cut += window) {
        const std::size_t firstBlock = static_cast<std::size_t>((cut - window) / block);
        const std::size_t endBlock =
            std::min(levels->windows.size(), static_cast<std::size_t>((cut - 1) / block + 1));
        std::uint64_t level = 0;
        std::uint64_t sums[2] = {0, 0};
        std::uint64_t frames = 0;
        for (std::size_t b = firstBlock; b < endBlock; ++b) {
            level = std::max<std::uint64_t>(level, levels->PeakOf(b));
            sums[0] += levels->windows[b].sum[0];
            sums[1] += levels->windows[b].sum[1];
            frames += levels->windows[b].frames;
        }
        if (average) {
            const std::uint64_t sum = levels->stereo ? std::max(sums[0], sums[1]) : sums[0];
            level = frames != 0 ? sum / frames : 0;
        }
        const std::uint64_t distance = cut > frame ? cut - frame : frame - cut;
        if (!best || level < bestLevel || (level == bestLevel && distance < bestDistance)) {
            best = cut;
            bestLevel = level;
            bestDistance = distance;
        }
    }
    return best ? static_cast<std::uint32_t>(*best) : frame;
}

EditResult ReviewModel::MoveSelectedCut(std::uint32_t frame) {
    if (!selected) {
        return {false, messages::kNoCutSelected};
    }
    return Place(selected, frame, true);
}

EditResult ReviewModel::NudgeSelectedCut(int windows) {
    if (!selected || *selected >= Plan().splitPoints.size()) {
        return {false, messages::kNoCutSelected};
    }
    const std::int64_t target = std::int64_t{CutFrames()[*selected]} +
                                std::int64_t{windows} * std::int64_t{Plan().windowFrames};
    if (target < 0 || target > std::int64_t{UINT32_MAX}) {
        return {false, messages::kCutInTrimmedPart};
    }
    return Place(selected, static_cast<std::uint32_t>(target), false);
}

void ReviewModel::BeginDrag() {
    dragging = true;
    dragBase.reset();
}

EditResult ReviewModel::DragSelectedCut(std::uint32_t frame) {
    if (!dragging) {
        return MoveSelectedCut(frame);
    }
    if (!selected) {
        return {false, messages::kNoCutSelected};
    }
    return Place(selected, frame, true);
}

void ReviewModel::EndDrag() {
    // A drag that ends where it began leaves no undo step.
    if (dragging && dragBase && shown == *dragBase + 1 &&
        SameCuts(history[*dragBase].plan, State().plan)) {
        history.pop_back();
        shown = *dragBase;
    }
    dragging = false;
    dragBase.reset();
}

EditResult ReviewModel::AddCut(std::uint32_t frame) {
    return Place(std::nullopt, frame, true);
}

EditResult ReviewModel::DeleteSelectedCut() {
    if (!selected || *selected >= Plan().splitPoints.size()) {
        return {false, messages::kNoCutSelected};
    }
    const std::size_t index = *selected;
    ReviewState next = State();
    std::vector<std::uint32_t> cuts = CutFrames();
    cuts.erase(cuts.begin() + static_cast<std::ptrdiff_t>(index));
    const SplitPlan& plan = State().plan;
    if (!PlanFromCutPoints(std::move(cuts), plan.leadTrimFrame, plan.tailEndFrame,
                           recording.frameCount, plan.windowFrames, plan.silenceSample,
                           next.plan)) {
        // Only where the analysis left a file empty (a tail end before its last
        // cut), until that cut is the one deleted.
        return {false, FormatText(messages::kTrackBelowMinimum,
                                  static_cast<unsigned>(options.minTrackLengthSec))};
    }
    // The two tracks become one: it keeps the first title, or the second's.
    std::vector<std::string>& titles = next.titles;
    if (index + 1 < titles.size()) {
        if (titles[index].empty()) {
            titles[index] = titles[index + 1];
        }
        titles.erase(titles.begin() + static_cast<std::ptrdiff_t>(index + 1));
    }
    next.edited = true;
    Commit(std::move(next), std::nullopt);
    return {true, {}};
}

bool ReviewModel::CanUndo() const {
    return shown > 0;
}

bool ReviewModel::CanRedo() const {
    return shown + 1 < history.size();
}

bool ReviewModel::Undo() {
    if (!CanUndo()) {
        return false;
    }
    --shown;
    awaited = 0;
    SelectCut(selected);
    return true;
}

bool ReviewModel::Redo() {
    if (!CanRedo()) {
        return false;
    }
    ++shown;
    awaited = 0;
    SelectCut(selected);
    return true;
}

// --- Analysis -------------------------------------------------------------------

void ReviewModel::AnalysisRequested(std::uint64_t generation) {
    awaited = generation;
}

void ReviewModel::AnalysisArrived(std::uint64_t generation, const SplitPlan& plan,
                                  const std::string& thresholdText, bool useAverageMethod) {
    if (generation == 0 || generation != awaited) {
        return;
    }
    awaited = 0;
    Replace(plan, thresholdText, useAverageMethod, false);
}

void ReviewModel::AnalysisFailed(std::uint64_t generation) {
    if (generation == awaited) {
        awaited = 0;
    }
}

void ReviewModel::Replace(const SplitPlan& plan, const std::string& thresholdText,
                          bool useAverageMethod, bool edited) {
    const ReviewState& current = State();
    if (SameCuts(plan, current.plan) && thresholdText == current.thresholdText &&
        useAverageMethod == current.useAverageMethod && edited == current.edited) {
        return;
    }
    ReviewState next;
    next.plan = plan;
    next.thresholdText = thresholdText;
    next.useAverageMethod = useAverageMethod;
    next.edited = edited;
    next.titles = TitlesFor(Spans(), current.titles, LayOutSegments(plan, recording.frameCount));
    next.titles.resize(plan.splitPoints.size() + 1);
    dragging = false;
    dragBase.reset();
    Push(std::move(next));
    SelectCut(selected);
}

void ReviewModel::SetLevels(std::shared_ptr<const LevelTable> table) {
    levelsUnavailable = table == nullptr;
    levels = std::move(table);
}

EditResult ReviewModel::SplitIntoTracks(std::uint32_t count) {
    const std::uint32_t window = Plan().windowFrames;
    if (!levels || levels->windowFrames == 0 || window == 0 || window % levels->windowFrames != 0) {
        return {false, messages::kLevelsNotMeasured};
    }
    const LevelTable windows = CombinedLevels(*levels, window / levels->windowFrames);
    const std::string thresholdText = State().thresholdText;
    const bool average = State().useAverageMethod;
    const TracksByCountResult result = TracksByCount(windows, recording.frameCount, count,
                                                     MinimumFrames(), average, options.trimSilence);
    Replace(result.plan, thresholdText, average, true);
    EditResult done{true, {}};
    if (result.pausesFound + 1 < count) {
        done.problem = FormatText(messages::kFewerPausesThanTracks, count, result.pausesFound,
                                  result.pausesFound + 1);
    }
    return done;
}

// --- Titles ---------------------------------------------------------------------

const std::string& ReviewModel::Title(std::uint32_t position) const {
    static const std::string none;
    const std::vector<std::string>& titles = State().titles;
    return position >= 1 && position <= titles.size() ? titles[position - 1] : none;
}

void ReviewModel::SetTitle(std::uint32_t position, std::string title) {
    const std::vector<SegmentSpan> spans = Spans();
    if (position < 1 || position > spans.size()) {
        return;
    }
    // Typing is no edit of the cuts: every state that has this track keeps the
    // title, so undo and redo do not lose it.
    const std::uint32_t start = spans[position - 1].firstFrame;
    for (ReviewState& state : history) {
        const std::vector<SegmentSpan> laid = LayOutSegments(state.plan, recording.frameCount);
        for (std::size_t s = 0; s < laid.size() && s < state.titles.size(); ++s) {
            if (laid[s].firstFrame == start) {
                state.titles[s] = title;
            }
        }
    }
    Current().titles[position - 1] = std::move(title);
}

// --- Files already in the output folder -----------------------------------------

void ReviewModel::SetExistingFiles(const std::vector<std::string>& names) {
    existing.clear();
    for (const std::string& name : names) {
        existing.insert(FoldedFile(name));
    }
}

bool ReviewModel::Replaces(std::uint32_t position) const {
    return position >= 1 && position <= TrackCount() &&
           existing.count(FoldedFile(FileName(position))) != 0;
}

std::uint32_t ReviewModel::ReplacedCount() const {
    std::uint32_t count = 0;
    for (std::uint32_t position = 1; position <= TrackCount(); ++position) {
        count += Replaces(position) ? 1 : 0;
    }
    return count;
}

// --- Summary --------------------------------------------------------------------

std::vector<SummaryRow> ReviewModel::Summary() const {
    const std::string text = ReviewText(Plan(), recording.frameCount, recording.sampleRate);
    std::vector<SummaryRow> rows;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            rows.push_back({Trimmed(line), std::string()});
        } else {
            rows.push_back({Trimmed(line.substr(0, colon + 1)), Trimmed(line.substr(colon + 1))});
        }
        start = end + 1;
    }
    while (!rows.empty() && rows.back().label.empty()) {
        rows.pop_back();
    }
    if (const std::uint32_t replaced = ReplacedCount()) {
        rows.push_back({replaced == 1 ? std::string(messages::kOneFileReplaced)
                                      : FormatText(messages::kFilesReplaced, replaced),
                        std::string()});
    }
    return rows;
}
