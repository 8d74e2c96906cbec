#include "Listening.h"

#include "PlanReview.h"

#include <algorithm>
#include <cctype>

std::optional<ListenAction> ListenActionForKey(char key) {
    const auto upper = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
    for (const ListenControl& control : kListenControls) {
        if (control.key == upper) {
            return control.action;
        }
    }
    return std::nullopt;
}

Listening::Listening(std::uint32_t frameCount, std::uint32_t sampleRate, bool deviceFound)
    : frameCount(frameCount), sampleRate(sampleRate),
      disabledReason(deviceFound ? "" : kNoSoundDeviceText) {}

std::uint32_t Listening::Frames(std::uint32_t ms) const {
    const std::uint64_t frames = static_cast<std::uint64_t>(ms) * sampleRate / 1000;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, frameCount));
}

PlayStretch Listening::AroundCut(ListenAction action, std::uint32_t cutFrame) const {
    const std::uint32_t cut = std::min(cutFrame, frameCount);
    const auto before = [&](std::uint32_t ms) { return cut - std::min(cut, Frames(ms)); };
    const auto after = [&](std::uint32_t ms) {
        return cut + std::min(frameCount - cut, Frames(ms));
    };
    switch (action) {
    case ListenAction::BeforeCut:
        return {before(kBeforeCutMs), cut};
    case ListenAction::AfterCut:
        return {cut, after(kAfterCutMs)};
    case ListenAction::AcrossCut:
        return {before(kAcrossCutMs), after(kAcrossCutMs)};
    case ListenAction::Band:
        break;
    }
    return {};
}

PlayStretch Listening::BandStart(std::uint32_t bandFirst, std::uint32_t bandEnd) const {
    const std::uint32_t first = std::min(bandFirst, frameCount);
    const std::uint32_t end = std::min(bandEnd, frameCount);
    if (end <= first) {
        return {first, first};
    }
    return {first, first + std::min(end - first, Frames(kBandMs))};
}

std::optional<PlayStretch> Listening::BandAt(const std::vector<SegmentSpan>& spans,
                                             std::uint32_t frame) const {
    for (const SegmentSpan& span : spans) {
        if (span.firstFrame <= frame && frame < span.endFrame) {
            return BandStart(span.firstFrame, span.endFrame);
        }
    }
    return std::nullopt;
}

Listening::Command Listening::Request(PlayStretch stretch) {
    if (!CanPlay() || stretch.Empty()) {
        return {};
    }
    awaited = ++lastRequest;
    return {Command::Kind::Play, stretch, awaited};
}

Listening::Command Listening::PlayAroundCut(ListenAction action,
                                            std::optional<std::uint32_t> cutFrame) {
    if (action == ListenAction::Band || !cutFrame) {
        return {};
    }
    spaceAction = action;
    return Request(AroundCut(action, *cutFrame));
}

Listening::Command Listening::PlayBandAt(const std::vector<SegmentSpan>& spans,
                                         std::uint32_t frame) {
    const std::optional<PlayStretch> band = BandAt(spans, frame);
    return band ? Request(*band) : Command{};
}

Listening::Command Listening::TogglePlay(std::optional<std::uint32_t> selectedCutFrame) {
    if (Busy()) {
        return Stop();
    }
    return PlayAroundCut(spaceAction, selectedCutFrame);
}

Listening::Command Listening::Stop() {
    if (!Busy()) {
        return {};
    }
    awaited = 0;
    playing.reset();
    return {Command::Kind::Stop, {}, 0};
}

bool Listening::ClipArrived(std::uint64_t request, std::shared_ptr<const PlaybackClip> clip,
                            ClipOutput& output) {
    if (request == 0 || request != awaited) {
        return false; // stopped, or replaced by a newer request
    }
    awaited = 0;
    if (!clip || clip->FrameCount() == 0) {
        return false; // the read failed: nothing to play
    }
    const PlayStretch stretch{clip->firstFrame, clip->EndFrame()};
    const PlayStart start = output.Play(std::move(clip));
    if (start != PlayStart::Playing) {
        disabledReason = start == PlayStart::RateRefused ? kUnplayableRateText : kNoSoundDeviceText;
        playing.reset();
        return false;
    }
    playing = stretch;
    playedFrames = 0;
    return true;
}

void Listening::Played(std::uint32_t frames) {
    if (playing) {
        playedFrames = std::min(frames, playing->endFrame - playing->firstFrame);
    }
}

void Listening::Finished(bool deviceFailed) {
    playing.reset();
    if (deviceFailed) {
        disabledReason = kNoSoundDeviceText;
        awaited = 0;
    }
}

std::optional<std::uint32_t> Listening::PlayLineFrame() const {
    if (!playing) {
        return std::nullopt;
    }
    return playing->firstFrame + playedFrames;
}

void Listening::CarryOut(const Command& command, PlanReanalyzer* reader, ClipOutput& output) {
    switch (command.kind) {
    case Command::Kind::Play:
        if (reader != nullptr) {
            reader->RequestClip(command.stretch.firstFrame, command.stretch.endFrame,
                                command.request);
        }
        break;
    case Command::Kind::Stop:
        output.Stop();
        break;
    case Command::Kind::None:
        break;
    }
}
