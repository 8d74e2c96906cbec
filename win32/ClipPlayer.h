// Plays the review's clips on a sound output device through the system's
// waveform audio output (winmm), which every Windows has: no extra library.
#pragma once

#include "Listening.h"
#include "WinApi.h"

#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace winui {

// The device format a clip plays in: PCM at its rate and channels, 16-bit.
WAVEFORMATEX PlaybackWaveFormat(const PlaybackClip& clip);

// One clip at a time, on the thread that creates the player, whose message loop
// (any: a modal dialog's too) carries its progress. Without a device (none
// installed, or one that will not open) Play refuses at once: no message box,
// no waiting. The device is polled on a timer, never called back, so nothing
// runs on the system's audio thread.
class ClipPlayer : public ClipOutput {
public:
    // `deviceId`: a waveform output device's number, or WAVE_MAPPER, the
    // system's default device.
    explicit ClipPlayer(UINT deviceId = WAVE_MAPPER);
    ~ClipPlayer() override;
    ClipPlayer(const ClipPlayer&) = delete;
    ClipPlayer& operator=(const ClipPlayer&) = delete;

    bool HasDevice() const;
    PlayStart Play(std::shared_ptr<const PlaybackClip> clip) override;
    void Stop() override;
    bool IsPlaying() const { return output != nullptr; }
    // The frames of the clip the device has played so far.
    std::uint32_t FramesPlayed() const;

    // While a clip plays, every kProgressIntervalMs.
    std::function<void(std::uint32_t frames)> onPlayed;
    // The clip ran out, or the device failed. Not called for a clip that Stop
    // or a later Play ended.
    std::function<void(bool deviceFailed)> onFinished;

    static constexpr UINT kProgressIntervalMs = 30;
    // How long past the clip's length a device may take to hand its buffer back.
    static constexpr ULONGLONG kDrainGraceMs = 2000;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnTimer();
    // The frames played, or none when the device fails.
    std::optional<std::uint32_t> Position() const;
    void Release();

    UINT deviceId;
    HWND window = nullptr; // message-only: receives the progress timer
    HWAVEOUT output = nullptr;
    HANDLE done = nullptr; // set by the device when it opens and hands the buffer back
    WAVEHDR header{};
    std::shared_ptr<const PlaybackClip> clip;
    ULONGLONG deadline = 0; // when a clip that never comes back is given up
};

} // namespace winui
