// Listening in the review window, without a window toolkit: which stretch of the
// recording each play action plays, the play line's frame while it plays, Space
// as play and stop, and the controls' state when no sound device can play. The
// clip itself is read on the review's worker (ReadPlaybackClip) and played by
// the view's player through ClipOutput.
#pragma once

#include "PlaybackClip.h"
#include "SegmentWriter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The play controls' tooltip while they are disabled: no device, or one that
// will not play the recording's rate (every clip is 16-bit, mono or stereo).
inline constexpr char kNoSoundDeviceText[] = "No sound output device was found.";
inline constexpr char kUnplayableRateText[] =
    "The sound output device cannot play this recording's sample rate.";

// What a play action plays.
enum class ListenAction {
    BeforeCut, // the seconds up to the selected cut
    AcrossCut, // seconds on both sides of the selected cut
    AfterCut,  // the seconds from the selected cut
    Band,      // the start of the band under the pointer
};

// The plain keys of the play actions on the waveform and the play buttons'
// labels, whose mnemonics are the same letters; Space plays and stops.
struct ListenControl {
    ListenAction action;
    char key;          // upper case
    const char* label; // null: no button (the pointer is on the waveform)
};
inline constexpr ListenControl kListenControls[] = {
    {ListenAction::BeforeCut, 'B', "Play &before"},
    {ListenAction::AcrossCut, 'C', "Play a&cross"},
    {ListenAction::AfterCut, 'E', "Play aft&er"},
    {ListenAction::Band, 'P', nullptr},
};
// The action of a plain key (either case), if it has one.
std::optional<ListenAction> ListenActionForKey(char key);

// Frames [firstFrame, endFrame) of the recording.
struct PlayStretch {
    std::uint32_t firstFrame = 0;
    std::uint32_t endFrame = 0;
    bool Empty() const { return endFrame <= firstFrame; }
    bool operator==(const PlayStretch&) const = default;
};

// The highest rate the players hand to a device: the sound servers' own limit,
// past which some abort the program instead of refusing the format.
inline constexpr std::uint32_t kHighestPlaybackRate = 384000;

// How a player took a clip.
enum class PlayStart { Playing, NoDevice, RateRefused };

// The sound output a view plays clips on: the Qt or the Win32 player, or a
// test's fake. It reports progress and the clip's natural end to the view,
// which hands them to Listening.
class PlanReanalyzer;

class ClipOutput {
public:
    virtual ~ClipOutput() = default;
    // Plays `clip` from its start, replacing whatever played. Unless it says
    // Playing, nothing plays then.
    virtual PlayStart Play(std::shared_ptr<const PlaybackClip> clip) = 0;
    // Stops at once; no end is reported for a clip stopped here.
    virtual void Stop() = 0;
};

class Listening {
public:
    static constexpr std::uint32_t kBeforeCutMs = 3000;
    static constexpr std::uint32_t kAfterCutMs = 3000;
    static constexpr std::uint32_t kAcrossCutMs = 2000; // on each side
    static constexpr std::uint32_t kBandMs = 10000;     // at most, from the band's start

    // What the view does after a request: nothing, read and play `stretch`
    // (tagged `request`, to be handed to ClipArrived), or stop the player.
    struct Command {
        enum class Kind { None, Play, Stop };
        Kind kind = Kind::None;
        PlayStretch stretch;
        std::uint64_t request = 0;
    };

    // The recording's length and rate; whether a sound device was found.
    Listening(std::uint32_t frameCount, std::uint32_t sampleRate, bool deviceFound);

    // --- The controls -----------------------------------------------------------
    // False when no device was found or the player could not start one: the play
    // buttons are disabled, with DisabledReason() as their tooltip ("" while
    // they are enabled).
    bool CanPlay() const { return disabledReason[0] == '\0'; }
    const char* DisabledReason() const { return disabledReason; }

    // --- What each action plays, clamped to the recording -------------------------
    PlayStretch AroundCut(ListenAction action, std::uint32_t cutFrame) const;
    // The start of the band [bandFirst, bandEnd), at most kBandMs of it.
    PlayStretch BandStart(std::uint32_t bandFirst, std::uint32_t bandEnd) const;
    // The band of `spans` (the files as the writer cuts them) that holds `frame`.
    std::optional<PlayStretch> BandAt(const std::vector<SegmentSpan>& spans,
                                      std::uint32_t frame) const;

    // --- Requests -----------------------------------------------------------------
    // A play action around `cutFrame` (the selected cut; none: nothing plays).
    // Space then replays the same action.
    Command PlayAroundCut(ListenAction action, std::optional<std::uint32_t> cutFrame);
    // The band under the pointer at `frame` (none in trimmed parts).
    Command PlayBandAt(const std::vector<SegmentSpan>& spans, std::uint32_t frame);
    // Space: stops what plays or is being read; otherwise plays the last action
    // around the selected cut (across it, at first).
    Command TogglePlay(std::optional<std::uint32_t> selectedCutFrame);
    // Stops, for the view's own reasons (the window closes, the plan changes).
    Command Stop();
    // Does what `command` asks: a clip to play is read by `reader` (the review's
    // worker, which alone reads the open recording; none: nothing is read), a
    // stop goes to `output`.
    static void CarryOut(const Command& command, PlanReanalyzer* reader, ClipOutput& output);

    // --- The clip and the player ----------------------------------------------------
    // A clip read for `request`: played on `output` when still wanted, dropped
    // otherwise. When the output refuses it the controls are disabled, saying
    // why. True when it plays.
    bool ClipArrived(std::uint64_t request, std::shared_ptr<const PlaybackClip> clip,
                     ClipOutput& output);
    // The frames of the playing clip the player has played.
    void Played(std::uint32_t frames);
    // The clip ran out, or the device stopped with an error (deviceFailed: the
    // controls are disabled from then on).
    void Finished(bool deviceFailed = false);

    // A clip is being read or played.
    bool Busy() const { return awaited != 0 || playing.has_value(); }
    // Where the play line stands: the frame of the recording playing now.
    std::optional<std::uint32_t> PlayLineFrame() const;

private:
    Command Request(PlayStretch stretch);
    std::uint32_t Frames(std::uint32_t ms) const;

    std::uint32_t frameCount;
    std::uint32_t sampleRate;
    const char* disabledReason;
    ListenAction spaceAction = ListenAction::AcrossCut;
    std::uint64_t lastRequest = 0;
    std::uint64_t awaited = 0; // the request whose clip is being read; 0: none
    std::optional<PlayStretch> playing;
    std::uint32_t playedFrames = 0;
};
