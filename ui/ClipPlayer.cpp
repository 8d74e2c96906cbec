#include "ClipPlayer.h"

#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <algorithm>
#include <utility>

namespace qtui {

QAudioFormat PlaybackAudioFormat(const PlaybackClip& clip) {
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(clip.sampleRate));
    format.setChannelCount(clip.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    format.setChannelConfig(QAudioFormat::defaultChannelConfigForChannelCount(clip.channels));
    return format;
}

ClipPlayer::ClipPlayer(QObject* parent) : ClipPlayer(QMediaDevices::defaultAudioOutput(), parent) {}

ClipPlayer::ClipPlayer(const QAudioDevice& device, QObject* parent)
    : QObject(parent), device(device) {
    progress.setInterval(kProgressIntervalMs);
    connect(&progress, &QTimer::timeout, this, [this] {
        emit Played(FramesPlayed());
        CheckForEnd(false);
    });
}

ClipPlayer::~ClipPlayer() {
    Release();
}

PlayStart ClipPlayer::Play(std::shared_ptr<const PlaybackClip> next) {
    Release();
    if (!HasDevice() || !next || next->FrameCount() == 0) {
        return PlayStart::NoDevice;
    }
    const QAudioFormat format = PlaybackAudioFormat(*next);
    if (next->sampleRate > kHighestPlaybackRate || !device.isFormatSupported(format)) {
        return PlayStart::RateRefused;
    }
    clip = std::move(next);
    // No parent: the sink hands its parent on to the device's own output object,
    // and deleting the two as siblings crashes; the sink is deleted here instead.
    sink = new QAudioSink(device, format);
    // The buffer reads the clip's samples in place. Both live as long as the
    // sink, which may be deleted later than it is let go.
    source = new QBuffer(sink);
    source->setData(QByteArray::fromRawData(
        reinterpret_cast<const char*>(clip->samples.data()),
        static_cast<qsizetype>(clip->samples.size() * sizeof(std::int16_t))));
    source->open(QIODevice::ReadOnly);
    connect(sink, &QObject::destroyed, [kept = clip] {});
    const std::uint64_t mine = ++serial;
    connect(sink, &QAudioSink::stateChanged, this, [this, mine] {
        if (sink != nullptr && mine == serial && !starting) {
            CheckForEnd(true);
        }
    });
    starting = true; // a sink that fails at once is judged below, not as an end
    sink->start(source);
    starting = false;
    if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        Release();
        return PlayStart::NoDevice;
    }
    progress.start();
    return PlayStart::Playing;
}

void ClipPlayer::Stop() {
    Release();
}

std::uint32_t ClipPlayer::FramesPlayed() const {
    if (sink == nullptr || !clip) {
        return 0;
    }
    const auto frames =
        static_cast<std::uint64_t>(sink->processedUSecs()) * clip->sampleRate / 1000000;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, clip->FrameCount()));
}

void ClipPlayer::CheckForEnd(bool insideSinkSignal) {
    const QAudio::State state = sink->state();
    const QAudio::Error error = sink->error();
    if (state == QAudio::StoppedState ||
        (error != QAudio::NoError && error != QAudio::UnderrunError)) {
        Release(insideSinkSignal);
        emit Finished(error != QAudio::NoError);
        return;
    }
    // Idle once the whole clip is handed over, but the device still plays what
    // it holds: the clip ends when the device has played all of it, or after a
    // grace time for a device that stalls.
    if (state != QAudio::IdleState || !source->atEnd()) {
        return;
    }
    const std::int64_t clipUs =
        static_cast<std::int64_t>(clip->FrameCount()) * 1000000 / clip->sampleRate;
    const std::int64_t leftUs = clipUs - sink->processedUSecs();
    if (!draining.isValid()) {
        draining.start();
        drainLimitMs = std::max<std::int64_t>(leftUs / 1000, 0) + kDrainGraceMs;
    }
    if (leftUs <= kEndToleranceUs || draining.elapsed() > drainLimitMs) {
        emit Played(clip->FrameCount());
        Release(insideSinkSignal);
        emit Finished(false);
    }
}

void ClipPlayer::Release(bool insideSinkSignal) {
    progress.stop();
    draining.invalidate();
    if (sink != nullptr) {
        ++serial; // whatever the old sink still says is about no clip
        QAudioSink* old = std::exchange(sink, nullptr);
        source = nullptr;
        old->disconnect(this);
        old->stop();
        if (insideSinkSignal) {
            old->deleteLater(); // it is still emitting
        } else {
            delete old;
        }
    }
    clip.reset();
}

} // namespace qtui
