// The Qt player of the review's clips: the device format of a clip, and a
// player without a device (as on a build machine or under Xvfb) that refuses
// quietly and at once.
#include "ClipPlayer.h"

#include <QSignalSpy>
#include <QtTest>

using namespace qtui;

namespace {

std::shared_ptr<PlaybackClip> Clip(std::uint32_t rate, std::uint16_t channels,
                                   std::uint32_t frames) {
    auto clip = std::make_shared<PlaybackClip>();
    clip->sampleRate = rate;
    clip->channels = channels;
    clip->samples.assign(static_cast<std::size_t>(frames) * channels, 0);
    return clip;
}

} // namespace

class ClipPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void ClipFormatIsSigned16AtTheRecordingsRateAndChannels() {
        for (const auto& [rate, channels] : {std::pair{8000u, 1}, std::pair{96000u, 2}}) {
            const QAudioFormat format =
                PlaybackAudioFormat(*Clip(rate, static_cast<std::uint16_t>(channels), 1));
            QCOMPARE(format.sampleFormat(), QAudioFormat::Int16);
            QCOMPARE(format.sampleRate(), static_cast<int>(rate));
            QCOMPARE(format.channelCount(), channels);
            QCOMPARE(format.bytesPerFrame(), 2 * channels);
        }
    }

    void WithoutADeviceNothingPlaysAndNothingIsReported() {
        ClipPlayer player{QAudioDevice()};
        QSignalSpy played(&player, &ClipPlayer::Played);
        QSignalSpy finished(&player, &ClipPlayer::Finished);
        QVERIFY(!player.HasDevice());
        QCOMPARE(player.Play(Clip(44100, 2, 4410)), PlayStart::NoDevice);
        QVERIFY(!player.IsPlaying());
        QCOMPARE(player.FramesPlayed(), 0u);
        player.Stop();

        QCoreApplication::processEvents();
        QCOMPARE(played.count() + finished.count(), 0);
    }

    // The system's default device: none on a build machine, so Play refuses.
    // Where one exists (tests/support/with-null-sink.sh gives one) a clip plays to
    // its last frame, and one stopped reports no end.
    void TheDefaultDeviceRefusesOrPlaysToTheEnd() {
        ClipPlayer player;
        QSignalSpy played(&player, &ClipPlayer::Played);
        QSignalSpy finished(&player, &ClipPlayer::Finished);
        if (player.Play(Clip(8000, 1, 2400)) != PlayStart::Playing) {
            QVERIFY(!qEnvironmentVariableIsSet("QUERNFOLD_EXPECT_SOUND_DEVICE"));
            return;
        }
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(played.last().at(0).toUInt(), 2400u);
        QVERIFY(!player.IsPlaying());

        QCOMPARE(player.Play(Clip(1000000, 2, 10)), PlayStart::RateRefused);
        QCOMPARE(player.Play(Clip(44100, 2, 441000)), PlayStart::Playing);
        QVERIFY(played.wait(5000));
        player.Stop();
        QVERIFY(!player.IsPlaying());
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
    }
};

QTEST_MAIN(ClipPlayerTest)
#include "ClipPlayerTest.moc"
