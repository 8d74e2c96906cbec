// The Windows player of the review's clips: a device that does not exist or
// will not open (as under Wine without sound) refuses at once, without a box
// and without waiting; one that plays reaches the clip's last frame.
#include "ClipPlayer.h"

#include <gtest/gtest.h>

using namespace winui;

namespace {

std::shared_ptr<PlaybackClip> Clip(std::uint32_t rate, std::uint16_t channels,
                                   std::uint32_t frames) {
    auto clip = std::make_shared<PlaybackClip>();
    clip->sampleRate = rate;
    clip->channels = channels;
    clip->samples.assign(static_cast<std::size_t>(frames) * channels, 0);
    return clip;
}

// Runs the thread's messages until the player reports the clip's end; the
// player's own deadline bounds the wait.
void RunUntilFinished(const bool& finished) {
    MSG message;
    while (!finished && GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
}

TEST(ClipPlayerTest, ADeviceThatDoesNotExistRefusesAndReportsNothing) {
    ClipPlayer player(waveOutGetNumDevs() + 7);
    int reports = 0;
    player.onPlayed = [&](std::uint32_t) { ++reports; };
    player.onFinished = [&](bool) { ++reports; };
    EXPECT_FALSE(player.HasDevice());
    EXPECT_EQ(player.Play(Clip(44100, 2, 4410)), PlayStart::NoDevice);
    EXPECT_FALSE(player.IsPlaying());
    player.Stop();

    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(reports, 0);
}

// The system's default device: where there is none (Wine without sound), Play
// refuses. Where one plays (with-null-sink.sh gives Wine one), a short clip
// plays to its last frame, and one stopped reports no end.
TEST(ClipPlayerTest, TheDefaultDeviceRefusesOrPlaysToTheEnd) {
    ClipPlayer player;
    bool finished = false;
    int ends = 0;
    std::uint32_t lastPlayed = 0;
    player.onPlayed = [&](std::uint32_t frames) { lastPlayed = frames; };
    player.onFinished = [&](bool deviceFailed) {
        EXPECT_FALSE(deviceFailed);
        finished = true;
        ++ends;
    };
    if (player.Play(Clip(8000, 1, 2400)) != PlayStart::Playing) {
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_EQ(GetEnvironmentVariableW(L"QUERNFOLD_EXPECT_SOUND_DEVICE", nullptr, 0), 0u);
        return;
    }
    EXPECT_TRUE(player.HasDevice());
    RunUntilFinished(finished);
    EXPECT_EQ(lastPlayed, 2400u);
    EXPECT_FALSE(player.IsPlaying());

    EXPECT_EQ(player.Play(Clip(1000000, 2, 10)), PlayStart::RateRefused);
    ASSERT_EQ(player.Play(Clip(44100, 2, 441000)), PlayStart::Playing);
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(ends, 1);
}

} // namespace
