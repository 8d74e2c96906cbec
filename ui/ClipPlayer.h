// Plays the review's clips on a sound output device through Qt Multimedia.
#pragma once

#include "Listening.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

class QAudioSink;
class QBuffer;

namespace qtui {

// The device format a clip plays in: its rate and channels, signed 16-bit.
QAudioFormat PlaybackAudioFormat(const PlaybackClip& clip);

// One clip at a time, on the thread that owns the player. Without a device
// (none found, or one that will not start) Play refuses quietly: no message
// box, no waiting.
class ClipPlayer : public QObject, public ClipOutput {
    Q_OBJECT

public:
    // The default output device as the system names it now.
    explicit ClipPlayer(QObject* parent = nullptr);
    // A given device; a null one is no device.
    explicit ClipPlayer(const QAudioDevice& device, QObject* parent = nullptr);
    ~ClipPlayer() override;

    bool HasDevice() const { return !device.isNull(); }
    PlayStart Play(std::shared_ptr<const PlaybackClip> clip) override;
    void Stop() override;
    bool IsPlaying() const { return sink != nullptr; }
    // The frames of the clip handed to the device so far.
    std::uint32_t FramesPlayed() const;

    static constexpr int kProgressIntervalMs = 30;
    // How long past the clip's length a device may take to play its last samples.
    static constexpr std::int64_t kDrainGraceMs = 2000;
    static constexpr std::int64_t kEndToleranceUs = 1000;

signals:
    // While a clip plays, every kProgressIntervalMs.
    void Played(quint32 frames);
    // The clip ran out, or the device stopped with an error. Not sent for a clip
    // that Stop or a later Play ended.
    void Finished(bool deviceFailed);

private:
    // Lets go of the clip, with Finished, once it played to its end or the device failed.
    void CheckForEnd(bool insideSinkSignal);
    // Stops and lets go of the sink, the buffer and the clip.
    void Release(bool insideSinkSignal = false);

    QAudioDevice device;
    std::shared_ptr<const PlaybackClip> clip;
    QAudioSink* sink = nullptr; // while a clip plays
    QBuffer* source = nullptr;  // the sink's child
    std::uint64_t serial = 0;   // which clip a sink's signals are about
    bool starting = false;
    QTimer progress;
    QElapsedTimer draining; // since the whole clip was handed to the device
    std::int64_t drainLimitMs = 0;
};

} // namespace qtui
