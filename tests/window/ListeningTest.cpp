// What the review window plays around a cut or from a band, what Space does, the
// play line, and the controls without a sound device, through a fake output
// that keeps the clips it is sent.
#include "Listening.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::TempDir;

namespace {

constexpr std::uint32_t kRate = 1000; // a frame per millisecond
constexpr std::uint32_t kFrames = 10000;

class FakeOutput : public ClipOutput {
public:
    PlayStart Play(std::shared_ptr<const PlaybackClip> clip) override {
        if (start == PlayStart::Playing) {
            clips.push_back(std::move(clip));
        }
        return start;
    }
    void Stop() override { ++stops; }

    PlayStart start = PlayStart::Playing;
    std::vector<std::shared_ptr<const PlaybackClip>> clips;
    int stops = 0;
};

TEST(ListeningTest, StretchesAroundACutStayInsideTheRecording) {
    const Listening listening(kFrames, kRate, true);
    struct Case {
        ListenAction action;
        std::uint32_t cut;
        PlayStretch expected;
    };
    for (const Case c : {
             Case{ListenAction::BeforeCut, 5000, {2000, 5000}},
             Case{ListenAction::AfterCut, 5000, {5000, 8000}},
             Case{ListenAction::AcrossCut, 5000, {3000, 7000}},
             Case{ListenAction::BeforeCut, 1000, {0, 1000}},
             Case{ListenAction::AcrossCut, 1000, {0, 3000}},
             Case{ListenAction::AfterCut, 9500, {9500, 10000}},
             Case{ListenAction::AcrossCut, 9500, {7500, 10000}},
             Case{ListenAction::AfterCut, 12000, {10000, 10000}},
         }) {
        EXPECT_EQ(listening.AroundCut(c.action, c.cut), c.expected)
            << static_cast<int>(c.action) << " at " << c.cut;
    }
    // Frame counts near the 32-bit limit at a high rate neither wrap nor overflow.
    const Listening longOne(4294967295u, 384000, true);
    EXPECT_EQ(longOne.AroundCut(ListenAction::AcrossCut, 4294967000u),
              (PlayStretch{4294967000u - 768000, 4294967295u}));
}

TEST(ListeningTest, TheBandUnderThePointerPlaysFromItsStart) {
    const Listening listening(30000, kRate, true);
    const std::vector<SegmentSpan> spans = {{100, 25000}, {26000, 27000}};
    EXPECT_EQ(listening.BandAt(spans, 20000), (PlayStretch{100, 10100})) << "at most 10 s";
    EXPECT_EQ(listening.BandAt(spans, 26999), (PlayStretch{26000, 27000}));
    EXPECT_FALSE(listening.BandAt(spans, 25500)) << "between the files: trimmed";
    EXPECT_FALSE(listening.BandAt(spans, 50));
}

// The clip "play across the cut" sends holds exactly the recording's frames
// two seconds either side, read through the review's open reader.
TEST(ListeningTest, PlayAcrossSendsTheFramesAroundTheCut) {
    TempDir dir;
    const std::string path = dir.file("ramp.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(path.c_str(), kRate, 16, 2), WAVE_OK);
        for (std::uint32_t f = 0; f < kFrames; ++f) {
            const auto value = static_cast<std::int16_t>(f);
            ASSERT_EQ(writer.WriteFrame({value, static_cast<std::int16_t>(-value)}), WAVE_OK);
        }
        ASSERT_EQ(writer.Close(), WAVE_OK);
    }
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);

    Listening listening(kFrames, kRate, true);
    FakeOutput output;
    const Listening::Command command = listening.PlayAroundCut(ListenAction::AcrossCut, 4321);
    ASSERT_EQ(command.kind, Listening::Command::Kind::Play);
    ASSERT_TRUE(listening.ClipArrived(
        command.request,
        ReadPlaybackClip(reader, command.stretch.firstFrame, command.stretch.endFrame), output));

    ASSERT_EQ(output.clips.size(), 1u);
    const PlaybackClip& sent = *output.clips[0];
    ASSERT_EQ(sent.FrameCount(), 4000u);
    for (std::uint32_t f = 0; f < sent.FrameCount(); ++f) {
        ASSERT_EQ(sent.samples[2 * f], static_cast<std::int16_t>(2321 + f));
        ASSERT_EQ(sent.samples[2 * f + 1], -static_cast<std::int16_t>(2321 + f));
    }

    // The play line follows the frames played and stays inside the clip.
    EXPECT_EQ(listening.PlayLineFrame(), 2321u);
    listening.Played(1500);
    EXPECT_EQ(listening.PlayLineFrame(), 3821u);
    listening.Played(99999);
    EXPECT_EQ(listening.PlayLineFrame(), 6321u);
    listening.Finished();
    EXPECT_FALSE(listening.PlayLineFrame());
    EXPECT_FALSE(listening.Busy());
}

std::shared_ptr<PlaybackClip> ClipOf(const PlayStretch& stretch) {
    auto clip = std::make_shared<PlaybackClip>();
    clip->firstFrame = stretch.firstFrame;
    clip->sampleRate = kRate;
    clip->channels = 1;
    clip->samples.assign(stretch.endFrame - stretch.firstFrame, 0);
    return clip;
}

TEST(ListeningTest, SpaceStopsWhatPlaysOrIsReadAndReplaysTheLastAction) {
    Listening listening(kFrames, kRate, true);
    FakeOutput output;
    using Kind = Listening::Command::Kind;
    EXPECT_EQ(listening.TogglePlay(std::nullopt).kind, Kind::None) << "no cut selected";

    // Space at first plays across the cut; pressed again while the clip is still
    // read, it stops, and the clip that arrives late is not played.
    const auto first = listening.TogglePlay(5000);
    ASSERT_EQ(first.kind, Kind::Play);
    EXPECT_EQ(first.stretch, (PlayStretch{3000, 7000}));
    EXPECT_EQ(listening.TogglePlay(5000).kind, Kind::Stop);
    EXPECT_FALSE(listening.ClipArrived(first.request, ClipOf(first.stretch), output));
    EXPECT_TRUE(output.clips.empty());

    // A newer request replaces an older one whose clip is still on its way.
    const auto before = listening.PlayAroundCut(ListenAction::BeforeCut, 5000);
    const auto after = listening.PlayAroundCut(ListenAction::AfterCut, 5000);
    EXPECT_FALSE(listening.ClipArrived(before.request, ClipOf(before.stretch), output));
    EXPECT_TRUE(listening.ClipArrived(after.request, ClipOf(after.stretch), output));
    ASSERT_EQ(output.clips.size(), 1u);
    EXPECT_EQ(output.clips[0]->firstFrame, 5000u);

    EXPECT_EQ(listening.TogglePlay(5000).kind, Kind::Stop);
    EXPECT_FALSE(listening.PlayLineFrame());
    EXPECT_EQ(listening.Stop().kind, Kind::None) << "nothing left to stop";
    const auto again = listening.TogglePlay(6000);
    EXPECT_EQ(again.stretch, (PlayStretch{6000, 9000})) << "Space replays the last action";
}

TEST(ListeningTest, WithoutADeviceTheControlsAreOffAndSayWhy) {
    Listening none(kFrames, kRate, false);
    EXPECT_FALSE(none.CanPlay());
    EXPECT_STREQ(none.DisabledReason(), kNoSoundDeviceText);
    EXPECT_EQ(none.TogglePlay(5000).kind, Listening::Command::Kind::None);
    EXPECT_EQ(none.PlayAroundCut(ListenAction::AfterCut, 5000).kind,
              Listening::Command::Kind::None);

    // A device that refuses the first clip, or fails while playing, turns them
    // off too, saying why.
    struct Case {
        PlayStart start;
        bool failsWhilePlaying;
        const char* reason;
    };
    for (const Case c : {Case{PlayStart::NoDevice, false, kNoSoundDeviceText},
                         Case{PlayStart::RateRefused, false, kUnplayableRateText},
                         Case{PlayStart::Playing, true, kNoSoundDeviceText}}) {
        Listening listening(kFrames, kRate, true);
        EXPECT_STREQ(listening.DisabledReason(), "");
        FakeOutput output;
        output.start = c.start;
        const auto command = listening.TogglePlay(5000);
        EXPECT_EQ(listening.ClipArrived(command.request, ClipOf(command.stretch), output),
                  c.failsWhilePlaying);
        if (c.failsWhilePlaying) {
            listening.Finished(true);
        }
        EXPECT_FALSE(listening.CanPlay());
        EXPECT_FALSE(listening.Busy());
        EXPECT_STREQ(listening.DisabledReason(), c.reason);
        EXPECT_EQ(listening.TogglePlay(5000).kind, Listening::Command::Kind::None);
    }
}

} // namespace
