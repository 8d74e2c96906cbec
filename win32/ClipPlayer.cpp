#include "ClipPlayer.h"

#include <algorithm>
#include <limits>

namespace winui {

namespace {

constexpr wchar_t kWindowClass[] = L"QuernfoldClipPlayer";
constexpr UINT_PTR kProgressTimer = 1;

bool RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

WAVEFORMATEX PlaybackWaveFormat(const PlaybackClip& clip) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = clip.channels;
    format.nSamplesPerSec = clip.sampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(clip.channels * sizeof(std::int16_t));
    format.nAvgBytesPerSec = clip.sampleRate * format.nBlockAlign;
    format.cbSize = 0;
    return format;
}

ClipPlayer::ClipPlayer(UINT deviceId) : deviceId(deviceId) {
    if (RegisterWindowClass(&ClipPlayer::WindowProc)) {
        window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

ClipPlayer::~ClipPlayer() {
    Release();
    if (window != nullptr) {
        DestroyWindow(window);
    }
}

bool ClipPlayer::HasDevice() const {
    const UINT devices = waveOutGetNumDevs();
    return window != nullptr && devices > 0 && (deviceId == WAVE_MAPPER || deviceId < devices);
}

PlayStart ClipPlayer::Play(std::shared_ptr<const PlaybackClip> next) {
    Release();
    if (!HasDevice() || !next || next->FrameCount() == 0 || next->sampleRate == 0 ||
        next->samples.size() * sizeof(std::int16_t) > std::numeric_limits<DWORD>::max()) {
        return PlayStart::NoDevice;
    }
    if (next->sampleRate > kHighestPlaybackRate) {
        return PlayStart::RateRefused;
    }
    done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (done == nullptr) {
        return PlayStart::NoDevice;
    }
    const WAVEFORMATEX format = PlaybackWaveFormat(*next);
    const MMRESULT opened = waveOutOpen(&output, deviceId, &format,
                                        reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR) {
        output = nullptr;
        Release();
        return opened == WAVERR_BADFORMAT ? PlayStart::RateRefused : PlayStart::NoDevice;
    }
    clip = std::move(next);
    header = WAVEHDR{};
    // The device only reads the buffer; the clip lives until it is handed back.
    header.lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(clip->samples.data()));
    header.dwBufferLength = static_cast<DWORD>(clip->samples.size() * sizeof(std::int16_t));
    if (waveOutPrepareHeader(output, &header, sizeof header) != MMSYSERR_NOERROR ||
        waveOutWrite(output, &header, sizeof header) != MMSYSERR_NOERROR ||
        SetTimer(window, kProgressTimer, kProgressIntervalMs, nullptr) == 0) {
        Release();
        return PlayStart::NoDevice;
    }
    deadline = GetTickCount64() +
               static_cast<ULONGLONG>(clip->FrameCount()) * 1000 / clip->sampleRate + kDrainGraceMs;
    return PlayStart::Playing;
}

void ClipPlayer::Stop() {
    Release();
}

std::optional<std::uint32_t> ClipPlayer::Position() const {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(output, &time, sizeof time) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    // A device may answer in another unit than the one asked for.
    std::uint64_t frames = 0;
    if (time.wType == TIME_SAMPLES) {
        frames = time.u.sample;
    } else if (time.wType == TIME_BYTES) {
        frames = time.u.cb / (clip->channels * sizeof(std::int16_t));
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, clip->FrameCount()));
}

std::uint32_t ClipPlayer::FramesPlayed() const {
    return output == nullptr ? 0 : Position().value_or(0);
}

void ClipPlayer::OnTimer() {
    if (output == nullptr) {
        return;
    }
    const std::optional<std::uint32_t> position = Position();
    // The event orders the device's writes to the header before this read.
    const bool handedBack =
        WaitForSingleObject(done, 0) == WAIT_OBJECT_0 && (header.dwFlags & WHDR_DONE) != 0;
    if (position && !handedBack && GetTickCount64() < deadline) {
        if (onPlayed) {
            onPlayed(*position);
        }
        return;
    }
    const std::uint32_t frames = clip->FrameCount();
    Release();
    if (position && onPlayed) {
        onPlayed(frames);
    }
    if (onFinished) {
        onFinished(!position);
    }
}

void ClipPlayer::Release() {
    if (window != nullptr) {
        KillTimer(window, kProgressTimer);
    }
    if (output != nullptr) {
        // Reset hands the buffer back at once, so unpreparing it cannot fail for
        // a buffer still playing.
        waveOutReset(output);
        if ((header.dwFlags & WHDR_PREPARED) != 0) {
            waveOutUnprepareHeader(output, &header, sizeof header);
        }
        waveOutClose(output);
        output = nullptr;
    }
    if (done != nullptr) {
        CloseHandle(done);
        done = nullptr;
    }
    clip.reset();
}

LRESULT CALLBACK ClipPlayer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kProgressTimer) {
        if (auto* player =
                reinterpret_cast<ClipPlayer*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            player->OnTimer();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace winui
