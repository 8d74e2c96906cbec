// Writes one WAV file per segment of a plan: the input's frames byte for byte,
// cut at window boundaries, with optional silence appended to all but the last.
#pragma once

#include "OutputFiles.h"
#include "SplitHost.h"
#include "SplitOptions.h"
#include "SplitPlan.h"
#include "WaveMetadata.h"
#include "WaveStream.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// One output file as the writer cuts it.
struct SegmentSpan {
    std::uint32_t firstFrame = 0; // first input frame the file holds
    std::uint32_t endFrame = 0;   // one past the last frame it holds; == firstFrame when none
    bool appendSilence = false;   // every file but the last
    // The writer's window grid for this file: whole windows from windowStart up to
    // windowEnd (which may lie past the recording's end). windowEnd is where the
    // next file's grid starts.
    std::uint64_t windowStart = 0;
    std::uint64_t windowEnd = 0;
};

// Lays out the files of `plan` exactly as the writer cuts them: every file but the
// last ends at the first window boundary (counted from the lead trim) at or after
// its split point; the last ends at the tail end, or at the recording's end. Frames
// before the lead trim and from the tail end on are in no file.
std::vector<SegmentSpan> LayOutSegments(const SplitPlan& plan, std::uint32_t frameCount);

inline constexpr char kPathSeparator =
    static_cast<char>(std::filesystem::path::preferred_separator);

// "<folder><separator><prefix><number>.wav", the number zero-padded to the digit
// count of segmentCount. The prefix is taken literally (a '%' stays a '%').
std::string SegmentFileName(const std::string& folder, const std::string& prefix,
                            std::uint32_t number, std::uint32_t segmentCount);

// "<folder><separator><name>" with the name of the track at `position` (1-based)
// of segmentCount, from the options' prefix and naming (see TrackFileName).
std::string SegmentFileName(const std::string& folder, const SplitOptions& options,
                            std::uint32_t position, std::uint32_t segmentCount);

class SegmentWriter {
public:
    enum class Result { Completed, Cancelled, Failed };

    // Writes every file of `plan` into `folder`, whose full path `folderPath` is
    // for messages. `frames` is the one window buffer; `scratch` holds a window
    // of packed frames (window length x block align bytes). Runs at idle
    // priority and restores normal priority on every way out. On a failed open,
    // write, read or rename, or when the recording changes, it shows the error,
    // removes the file it was writing (every file left is complete) and starts
    // no other. On cancel the current file is kept as a valid, shorter WAV when
    // its name is free; a file of that name that exists stays as it was. Every
    // file carries the recording's own metadata and the options' tags.
    static Result WriteSegments(WaveStream& reader, const SplitPlan& plan,
                                std::span<FrameSlot> frames, std::span<std::uint8_t> scratch,
                                const SplitOptions& options, OutputFolder& folder,
                                const std::string& folderPath, const RecordingWatch& recording,
                                ProgressDisplay& progress, SplitHost& host,
                                const WaveMetadata& metadata = WaveMetadata());
};
