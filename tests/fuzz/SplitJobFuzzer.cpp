// Arbitrary bytes as a recording, split with arbitrary options in the front ends'
// ranges: the analysis, the report and (when the output stays small) the writer,
// with a cancel at an arbitrary progress update. Whatever the input, every file
// left in the output folder must hold exactly the recording's frames its header
// claims.
#include "MemoryFile.h"
#include "SegmentWriter.h"
#include "SplitJob.h"
#include "SplitQuantities.h"
#include "WaveStream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kOptionBytes = 12;
// Writing is tried only when the files stay this small, so every input runs fast.
constexpr std::uint64_t kMaxOutputBytes = 1 << 20;

class FuzzProgress : public ProgressDisplay {
public:
    explicit FuzzProgress(std::uint32_t cancelAtPump) : cancelAtPump(cancelAtPump) {}
    bool BeginModal(const std::string&, bool) override { return true; }
    std::int64_t SetRange(std::int64_t, std::int64_t, std::int64_t) override { return 0; }
    std::int64_t SetPos(std::int64_t) override { return 0; }
    void PumpMessages(bool) override {
        if (++pumps == cancelAtPump) {
            cancelled = true;
        }
    }
    bool IsCancelled() const override { return cancelled; }
    void Hide() override {}

protected:
    void ShowStatus(const std::string&) override {}

private:
    std::uint32_t cancelAtPump;
    std::uint32_t pumps = 0;
    bool cancelled = false;
};

class FuzzHost : public SplitHost {
public:
    FuzzHost(std::string folder, bool confirm, std::uint32_t cancelAtPump)
        : folder(std::move(folder)), confirm(confirm), cancelAtPump(cancelAtPump) {}

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string&, bool) override {
        return std::make_unique<FuzzProgress>(cancelAtPump);
    }
    Answer ShowMessage(const std::string& text, const std::string&, MessageKind kind) override {
        FUZZ_CHECK(!text.empty());
        if (kind == MessageKind::Question) {
            return confirm && writeAllowed ? Answer::Ok : Answer::Cancel;
        }
        return Answer::Ok;
    }
    void PlanReady(const SplitPlan& ready, std::uint32_t frameCount,
                   std::uint32_t sampleRate) override {
        plan = ready;
        FUZZ_CHECK(!plan.splitPoints.empty());
        FUZZ_CHECK(plan.segmentCount == plan.splitPoints.size() + 1);
        for (std::size_t i = 0; i < plan.splitPoints.size(); ++i) {
            FUZZ_CHECK(plan.splitPoints[i] < frameCount);
            FUZZ_CHECK(i == 0 || plan.splitPoints[i - 1] < plan.splitPoints[i]);
        }
        silenceFrames = FramesForMilliseconds(sampleRate, appendSilenceMs);
        writeAllowed =
            (static_cast<std::uint64_t>(frameCount) + silenceFrames * plan.segmentCount) * 4 <=
                kMaxOutputBytes &&
            plan.segmentCount <= 64;
    }
    // The engine works in the folder without making it the process's own.
    bool ChangeDirectory(const std::string&) override { return true; }
    std::string CurrentDirectory() override { return folder; }
    void SetIdlePriority() override {}
    void SetNormalPriority() override {}
    std::int64_t NowSeconds() override { return 0; }

    std::string folder;
    bool confirm;
    std::uint32_t cancelAtPump;
    std::uint32_t appendSilenceMs = 0;
    SplitPlan plan;
    std::uint64_t silenceFrames = 0;
    bool writeAllowed = false;
};

// A private folder for the files, removed when the fuzzer exits. The name lives
// in static storage of its own, so the exit handler never reads a destroyed string.
char outputFolderName[] = "/tmp/quernfold-fuzz-XXXXXX";

const std::string& FuzzOutputFolder() {
    static const std::string folder = [] {
        if (mkdtemp(outputFolderName) == nullptr) {
            std::abort();
        }
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(outputFolderName, error);
        });
        return std::string(outputFolderName);
    }();
    return folder;
}

std::uint32_t Take16(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

// Every file present is a whole WAV file whose data is the input's frames for its
// span, or a prefix of them (a cancelled file), plus silence where the span has it.
void CheckOutputs(const FuzzHost& host, const std::uint8_t* input, std::size_t size,
                  SplitOutcome outcome) {
    WaveStream original;
    MemoryFile file(input, size);
    FUZZ_CHECK(original.OpenForRead(file.Path()) == WAVE_OK);
    const std::vector<SegmentSpan> spans = LayOutSegments(host.plan, original.FrameCount());
    const std::size_t frameBytes = original.BlockAlign();
    const std::uint8_t* data = input + original.DataChunkPosition() + 8;
    bool gap = false;
    for (std::size_t s = 0; s < spans.size(); ++s) {
        const std::string name =
            SegmentFileName(host.folder, "T", static_cast<std::uint32_t>(s + 1),
                            static_cast<std::uint32_t>(spans.size()));
        std::error_code error;
        if (!std::filesystem::exists(name, error)) {
            gap = true;
            continue;
        }
        FUZZ_CHECK(!gap); // files present are always a run from the first
        WaveStream output;
        FUZZ_CHECK(output.OpenForRead(name.c_str()) == WAVE_OK);
        FUZZ_CHECK(output.SampleRate() == original.SampleRate() &&
                   output.Channels() == original.Channels() &&
                   output.BitsPerSample() == original.BitsPerSample());
        const std::uint64_t stored = std::filesystem::file_size(name, error);
        // The samples end the file: wider formats have longer headers.
        const std::uint64_t dataStart = static_cast<std::uint64_t>(output.DataChunkPosition()) + 8;
        FUZZ_CHECK(stored == dataStart + output.DataChunkSize());
        FUZZ_CHECK(dataStart == 44 || original.BitsPerSample() > 16);
        const std::uint64_t copied =
            static_cast<std::uint64_t>(spans[s].endFrame - spans[s].firstFrame) * frameBytes;
        const std::uint64_t silence = spans[s].appendSilence ? host.silenceFrames * frameBytes : 0;
        std::vector<std::uint8_t> bytes(output.DataChunkSize());
        std::FILE* raw = std::fopen(name.c_str(), "rb");
        FUZZ_CHECK(raw != nullptr);
        FUZZ_CHECK(std::fseek(raw, static_cast<long>(dataStart), SEEK_SET) == 0);
        FUZZ_CHECK(bytes.empty() || std::fread(bytes.data(), bytes.size(), 1, raw) == 1);
        std::fclose(raw);
        const bool laterFile = std::filesystem::exists(
            SegmentFileName(host.folder, "T", static_cast<std::uint32_t>(s + 2),
                            static_cast<std::uint32_t>(spans.size())),
            error);
        if (outcome == SplitOutcome::Written || laterFile) {
            FUZZ_CHECK(bytes.size() == copied + silence);
        } else {
            // A cancelled file keeps whole windows copied so far, never more.
            FUZZ_CHECK(bytes.size() <= copied + silence);
        }
        const std::size_t audio = bytes.size() < copied ? bytes.size() : copied;
        // An empty file (a span with no frames, or cancelled before its first
        // window) has no bytes to compare, and memcmp must not see its null data.
        FUZZ_CHECK(audio == 0 ||
                   std::memcmp(bytes.data(), data + spans[s].firstFrame * frameBytes, audio) == 0);
        const std::uint8_t silenceByte = original.BitsPerSample() == 8 ? 0x80 : 0x00;
        for (std::size_t i = audio; i < bytes.size(); ++i) {
            FUZZ_CHECK(bytes[i] == silenceByte);
        }
    }
    if (outcome == SplitOutcome::Written) {
        FUZZ_CHECK(!gap);
    }
}

void EmptyFolder(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::filesystem::remove(entry.path(), error);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kOptionBytes) {
        return 0;
    }
    const std::uint8_t* recording = data + kOptionBytes;
    const std::size_t recordingSize = size - kOptionBytes;
    MemoryFile file(recording, recordingSize);
    if (!file.ok()) {
        return 0;
    }
    SplitOptions options;
    options.inputPath = file.Path();
    options.outputFolder = FuzzOutputFolder();
    options.fileNamePrefix = "T";
    options.silenceLengthMs = 1 + Take16(data) % kSilenceLengthMsRule.maximum;
    options.minTrackLengthSec = 1 + Take16(data + 2) % kMinTrackLengthSecRule.maximum;
    options.appendSilenceMs = Take16(data + 4) % (kAppendSilenceMsRule.maximum + 1);
    const std::uint8_t flags = data[6];
    options.trimSilence = (flags & 1) != 0;
    options.useAverageMethod = (flags & 2) != 0;
    if ((flags & 8) != 0) {
        // Any text at all, as a damaged settings store could hand over.
        options.thresholdText.assign(reinterpret_cast<const char*>(data + 7), 3);
    } else {
        options.thresholdText =
            ThresholdTextForPosition(static_cast<int>(Take16(data + 7) % (kThresholdSteps + 1)));
    }
    const std::uint32_t cancelAtPump = Take16(data + 9);

    FuzzHost host(FuzzOutputFolder(), (flags & 4) != 0, cancelAtPump);
    host.appendSilenceMs = options.appendSilenceMs;
    const SplitOutcome outcome = RunSplitJob(options, host);
    if (outcome == SplitOutcome::Written || outcome == SplitOutcome::Cancelled ||
        outcome == SplitOutcome::WriteFailed) {
        if (host.writeAllowed) {
            CheckOutputs(host, recording, recordingSize, outcome);
        }
    }
    EmptyFolder(FuzzOutputFolder());
    return 0;
}
