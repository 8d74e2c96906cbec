// What a review of the plan shows before anything is written, decided without a
// window toolkit: the recording's overview (per column the lowest and highest
// sample of both channels and the analysis windows' means), the mapping between
// frames and columns, the planned files as bands, the threshold's level, and the
// analysis run again in the background when the user changes the threshold or
// the method.
#pragma once

#include "LevelTable.h"
#include "PlaybackClip.h"
#include "SplitOptions.h"
#include "SplitPlan.h"
#include "WaveStream.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Sample values and levels are on the 16-bit scale the analysis sees for 16-bit
// input: magnitudes 0 to 32768; 8-bit samples are scaled up by 256.
inline constexpr std::uint32_t kFullScaleLevel = 32768;

// Maps the frames [firstFrame, endFrame) onto `columns` pixel columns. Column c
// covers the frames f with floor((f - firstFrame) * columns / span) == c.
class FrameScale {
public:
    FrameScale(std::uint32_t firstFrame, std::uint32_t endFrame, std::uint32_t columns);

    std::uint32_t Columns() const { return columns; }
    std::uint32_t FirstFrame() const { return firstFrame; }
    std::uint32_t EndFrame() const { return endFrame; }
    // The column that holds `frame`, clamped into the range; endFrame maps to Columns().
    std::uint32_t ColumnOf(std::uint64_t frame) const;
    // The first frame of column c; ColumnStart(Columns()) is endFrame.
    std::uint64_t ColumnStart(std::uint32_t column) const;
    // The frame under column c (its first frame), clamped into the range.
    std::uint32_t FrameAtColumn(std::int64_t column) const;

private:
    std::uint32_t firstFrame;
    std::uint32_t endFrame;
    std::uint64_t span; // at least 1
    std::uint32_t columns;
};

struct OverviewColumn {
    std::int16_t low[2] = {0, 0}; // channel 1, channel 2 (a mono recording's channel 2 stays 0)
    std::int16_t high[2] = {0, 0};
    // The largest channel mean of the analysis windows over this column (the
    // windows counted from frame 0, one silence length each), which the average
    // method compares with the threshold; 0 where no whole window lies.
    std::uint32_t windowMean = 0;
};

struct WaveOverview {
    std::uint32_t firstFrame = 0;
    std::uint32_t endFrame = 0;
    std::uint32_t sampleRate = 0;
    bool stereo = false;
    std::vector<OverviewColumn> columns;
};

// Reads the frames [firstFrame, endFrame) of the recording once, window by
// window, into `columns` columns. Memory grows with the column count only.
// Stops early, returning false, when `stop` becomes true or a read fails.
bool ReadOverview(WaveStream& reader, std::uint32_t firstFrame, std::uint32_t endFrame,
                  std::uint32_t columns, std::uint32_t windowFrames, const std::atomic<bool>& stop,
                  WaveOverview& overview);

// The same overview from the table of block levels alone, without reading: each
// column shows the blocks its frames lie in, and the means are those of the
// windows of `windowFrames` counted from frame 0, from their blocks. Equal to
// ReadOverview's wherever the columns start on block boundaries and the window
// is a whole number of blocks; elsewhere a column's extremes may reach a little
// wider, never narrower, than its own samples.
WaveOverview OverviewFromLevels(const LevelTable& table, std::uint32_t sampleRate,
                                std::uint32_t firstFrame, std::uint32_t endFrame,
                                std::uint32_t columns, std::uint32_t windowFrames);

// The threshold as a level on the 16-bit scale: the analysis's T for the
// recording's sample size, scaled like the samples. Both methods compare with it:
// the maximum method each sample's magnitude, the average method the window means.
std::uint32_t ThresholdLevel(const std::string& thresholdText, std::uint16_t bitsPerSample);

// How far from the centre line a level lies in a half-height of `halfHeight` pixels.
int LevelOffset(std::uint32_t level, int halfHeight);

// One planned file as the writer cuts it, with its columns.
struct PlanBand {
    std::uint32_t number = 0; // 1-based, as in the file name
    std::uint32_t firstFrame = 0;
    std::uint32_t endFrame = 0;
    std::uint32_t left = 0;  // first column
    std::uint32_t right = 0; // one past the last column
};

struct PlanPicture {
    std::vector<PlanBand> bands;
    std::vector<std::uint32_t> cutColumns; // where one file ends and the next begins
    std::uint32_t leadEndColumn = 0;       // columns before it are trimmed away
    std::uint32_t tailStartColumn = 0;     // columns from it on are trimmed away
};

// The bands, cuts and trimmed ends of `plan` on `scale` (which spans the recording).
PlanPicture PicturePlan(const SplitPlan& plan, std::uint32_t frameCount, const FrameScale& scale);

// "m:ss" for the time axis; "m:ss.t" (tenths) when withTenths. Truncated.
std::string FormatTime(std::uint64_t frame, std::uint32_t sampleRate, bool withTenths);

// What the pointer is over: the time, and the file's name or "trimmed".
std::string HoverText(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate,
                      const std::string& fileNamePrefix, std::uint32_t frame);

// The text below the picture: the report for a plan with split points, the
// nothing-found sentence otherwise.
std::string ReviewText(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate);

// A fresh analysis of the recording at `inputFile` with `options`, exactly as
// Start runs it; `cancelled` is polled after every window. Empty when the
// recording cannot be read or the analysis was cancelled.
std::optional<SplitPlan> AnalyzeRecording(const SplitOptions& options, const std::string& inputFile,
                                          const std::function<bool()>& cancelled);
// The same analysis of a recording already open (from frame 0, wherever it stands).
std::optional<SplitPlan> AnalyzeRecording(const SplitOptions& options, WaveStream& reader,
                                          const std::function<bool()>& cancelled);

// Runs the analysis again on a thread of its own, with its own reader, for each
// new threshold or method. A request made while an analysis runs supersedes it:
// that analysis stops and only the newest request's result is delivered.
class PlanReanalyzer {
public:
    struct Result {
        std::uint64_t generation = 0;
        SplitOptions options; // the options that made the plan
        SplitPlan plan;
        std::string text;      // ReviewText of the plan
        bool complete = false; // false: the recording could not be read again
    };
    // Called on the worker thread (on the caller's, when no thread could be
    // started), only for the newest request.
    using Listener = std::function<void(const Result&)>;
    // The levels of the open recording, once measured (on the worker thread);
    // null once when they cannot be (a read failed, or too many windows to hold),
    // after which every plan is a fresh analysis of the open recording.
    using LevelsListener = std::function<void(std::shared_ptr<const LevelTable>)>;
    // A stretch of the open recording read for a closer view.
    struct Strip {
        std::uint64_t generation = 0;
        WaveOverview overview;
        bool complete = false; // false: the recording could not be read, or no open reader
    };
    using StripListener = std::function<void(const Strip&)>;
    // A clip of the open recording read for listening, tagged with its request;
    // null when it could not be read.
    using ClipListener =
        std::function<void(std::uint64_t request, std::shared_ptr<const PlaybackClip>)>;

    // frameCount and sampleRate are the recording's, for the report text.
    PlanReanalyzer(SplitOptions options, std::string inputFile, std::uint32_t frameCount,
                   std::uint32_t sampleRate, Listener listener);
    // Analyses only `reader`, the recording the review opened (it must outlive
    // this object and be read by no other thread meanwhile): the worker measures
    // the level of every block at once, hands the table to `onLevels`, and plans
    // every request from it, reading only the few windows it cannot settle.
    // Strips and clips are read from the same reader, by the same worker.
    PlanReanalyzer(SplitOptions options, WaveStream& reader, Listener listener,
                   LevelsListener onLevels = {}, StripListener onStrip = {},
                   ClipListener onClip = {});
    ~PlanReanalyzer(); // stops the analysis that runs and waits for the thread
    PlanReanalyzer(const PlanReanalyzer&) = delete;
    PlanReanalyzer& operator=(const PlanReanalyzer&) = delete;

    // Returns the request's generation.
    std::uint64_t Request(const std::string& thresholdText, bool useAverageMethod);
    std::uint64_t Latest() const { return latest.load(); }
    // Reads the frames [first, end) onto `columns` columns (ReadOverview, with the
    // analysis's windows) for the strip listener. A newer strip request stops the
    // read that runs; a plan requested meanwhile goes before a strip that waits.
    // Returns the strip's generation.
    std::uint64_t RequestStrip(std::uint32_t first, std::uint32_t end, std::uint32_t columns);
    // Reads the frames [first, end) as a clip for the clip listener, tagged with
    // `request`. A newer clip request replaces one not read yet; a clip (a few
    // seconds, which the user waits to hear) goes before plans and strips.
    void RequestClip(std::uint32_t first, std::uint32_t end, std::uint64_t request);
    // Blocks until no request is pending or running (for tests and shutdown).
    void WaitUntilIdle();

private:
    void Work();
    // Runs one request and hands its result to the listener unless superseded.
    void Analyze(SplitOptions options, std::uint64_t generation);
    struct StripRequest {
        std::uint32_t first = 0;
        std::uint32_t end = 0;
        std::uint32_t columns = 0;
        std::uint64_t generation = 0;
    };
    void ReadStrip(const StripRequest& request);
    struct ClipRequest {
        std::uint32_t first = 0;
        std::uint32_t end = 0;
        std::uint64_t request = 0;
    };
    void ReadClip(const ClipRequest& request);
    void Finished(); // not busy any more

    // The plan for `options` from the table of `sharedReader`, measured first when
    // it is not yet; no value when the recording cannot be read.
    std::optional<SplitPlan> PlanFromTable(const SplitOptions& options);
    // Measures the table of `sharedReader` unless it is; false when it cannot.
    bool EnsureTable();

    const SplitOptions baseOptions;
    const std::string inputFile;
    WaveStream* const sharedReader = nullptr;
    std::shared_ptr<const LevelTable> table; // set by the worker alone
    bool tableUnavailable = false;           // the worker's alone
    std::atomic<bool> closing{false};
    const std::uint32_t frameCount;
    const std::uint32_t sampleRate;
    const Listener listener;
    const LevelsListener levelsListener;
    const StripListener stripListener;
    const ClipListener clipListener;

    std::atomic<std::uint64_t> latest{0};
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::optional<SplitOptions> pending;
    std::uint64_t pendingGeneration = 0;
    std::optional<StripRequest> pendingStrip;
    std::uint64_t latestStrip = 0; // under the mutex
    std::optional<ClipRequest> pendingClip;
    std::atomic<bool> stripStop{false}; // the strip that is read is superseded, or closing
    bool busy = false;
    bool stopping = false;
    std::thread worker; // last: starts after everything it uses exists
};
