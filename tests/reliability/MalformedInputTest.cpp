// Damaged and hostile headers through the command-line program: every one is
// refused with the open-failure text and exit status 1, creates nothing in the
// output folder, and neither crashes nor hangs.
#include "OpenFailureMessage.h"
#include "TestFiles.h"
#include "WavBytes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

using namespace wavbytes;

struct SplitterRun {
    int status = -1; // exit status; -1 when killed by a signal or stopped for hanging
    bool hung = false;
    std::string err;
};

// Runs the splitter on `input` with output to `folder`, answering yes, with no
// terminal; gives up (and kills it) after ten seconds.
SplitterRun RunSplitter(const std::string& input, const std::string& folder,
                        const std::string& errPath) {
    SplitterRun run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> arguments = {SPLIT_PROGRAM, "--yes", "--quiet", input, folder};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, SPLIT_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int waitStatus = 0;
    while (waitpid(pid, &waitStatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &waitStatus, 0);
            run.hung = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!run.hung && WIFEXITED(waitStatus)) {
        run.status = WEXITSTATUS(waitStatus);
    }
    const std::vector<std::uint8_t> text = testing_support::ReadFileBytes(errPath);
    run.err.assign(text.begin(), text.end());
    return run;
}

Bytes Samples(std::size_t bytes) {
    return Ramp(bytes);
}

Bytes Canonical(const Fmt& fmt, std::size_t dataBytes = 400) {
    return Riff({Chunk("fmt ", FmtBody(fmt)), Chunk("data", Samples(dataBytes))});
}

// A WAVE_FORMAT_EXTENSIBLE header: 68 bytes before the first sample.
Bytes Extensible() {
    Fmt fmt;
    fmt.tag = 0xFFFE;
    Bytes body = FmtBody(fmt);
    Append16(body, 22);
    Append16(body, 16);
    Append32(body, 3);
    const Bytes pcm = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    body.insert(body.end(), pcm.begin(), pcm.end());
    return Riff({Chunk("fmt ", body), Chunk("data", Samples(400))});
}

Bytes Prefix(const Bytes& bytes, std::size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

struct Malformed {
    std::string name;
    Bytes bytes;
    WaveOpenFailure why;
    std::uint16_t encodingTag = 1; // with UnsupportedEncoding: what the message names
    std::uint16_t bits = 16;
};

// An RF64 (or BW64) file: the id, 0xFFFFFFFF for the size, "WAVE", the chunks.
Bytes Rf64(const std::vector<Bytes>& chunks, const std::string& id = "RF64") {
    Bytes file = Riff(chunks, id);
    file[4] = file[5] = file[6] = file[7] = 0xFF;
    return file;
}

Bytes Ds64Body(std::uint64_t riffSize, std::uint64_t dataSize, std::uint64_t frames) {
    Bytes body;
    for (std::uint64_t value : {riffSize, dataSize, frames}) {
        Append32(body, static_cast<std::uint32_t>(value));
        Append32(body, static_cast<std::uint32_t>(value >> 32));
    }
    Append32(body, 0); // no table
    return body;
}

std::vector<Malformed> MalformedCorpus() {
    using enum WaveOpenFailure;
    std::vector<Malformed> corpus;
    // Every truncation that cuts a header short: before "WAVE" it is no WAV file.
    const Bytes canonical = Canonical(Fmt{});
    for (std::size_t length = 0; length < 44; ++length) {
        corpus.push_back({"canonical cut at " + std::to_string(length), Prefix(canonical, length),
                          length < 12 ? NotWave : DamagedHeader});
    }
    const Bytes extensible = Extensible();
    for (std::size_t length = 0; length < 68; ++length) {
        corpus.push_back({"extensible cut at " + std::to_string(length), Prefix(extensible, length),
                          length < 12 ? NotWave : DamagedHeader});
    }

    auto withFmt = [&corpus](const std::string& name, WaveOpenFailure why, auto change) {
        Fmt fmt;
        change(fmt);
        corpus.push_back({name, Canonical(fmt), why, fmt.tag, fmt.bits});
    };
    withFmt("zero channels", DamagedHeader, [](Fmt& f) { f.channels = 0; });
    withFmt("65535 channels", TooManyChannels, [](Fmt& f) { f.channels = 65535; });
    withFmt("zero rate", DamagedHeader, [](Fmt& f) { f.rate = 0; });
    // The byte rate field holds what 32-bit arithmetic makes of the true rate.
    withFmt("rate 4294967295", DamagedHeader, [](Fmt& f) { f.rate = 0xFFFFFFFF; });
    withFmt("rate 2^30, byte rate 4 GiB", DamagedHeader, [](Fmt& f) { f.rate = 0x40000000; });
    withFmt("zero bits", DamagedHeader, [](Fmt& f) { f.bits = 0; });
    withFmt("12 bits", UnsupportedEncoding, [](Fmt& f) { f.bits = 12; });
    withFmt("block align 3", DamagedHeader, [](Fmt& f) { f.blockAlign = 3; });
    withFmt("block align 1", DamagedHeader, [](Fmt& f) { f.blockAlign = 1; });
    withFmt("block align 65535", DamagedHeader, [](Fmt& f) { f.blockAlign = 65535; });
    withFmt("byte rate off by one", DamagedHeader, [](Fmt& f) { f.byteRate = 176401; });
    withFmt("16-bit float samples", UnsupportedEncoding, [](Fmt& f) { f.tag = 3; });
    withFmt("A-law", UnsupportedEncoding, [](Fmt& f) {
        f.tag = 6;
        f.bits = 8;
    });
    withFmt("24-bit, six channels", TooManyChannels, [](Fmt& f) {
        f.bits = 24;
        f.channels = 6;
    });

    const Bytes fmt = FmtBody(Fmt{});
    const Bytes data = Samples(400);
    auto add = [&corpus](const std::string& name, Bytes bytes, WaveOpenFailure why) {
        corpus.push_back({name, std::move(bytes), why});
    };
    add("fmt size past the end", Riff({Chunk("fmt ", fmt, 0x7FFFFFFF)}), DamagedHeader);
    add("fmt size 2^32 - 1", Riff({Chunk("fmt ", fmt, 0xFFFFFFFF)}), DamagedHeader);
    // In 32-bit arithmetic these sizes wrap the walk back onto earlier chunks.
    add("fmt size that loops back", Riff({Chunk("fmt ", fmt, 0xFFFFFFF8), Chunk("data", data)}),
        DamagedHeader);
    add("chunk that loops back before fmt",
        Riff({Chunk("LIST", Bytes(4), 0xFFFFFFF4), Chunk("fmt ", fmt), Chunk("data", data)}),
        DamagedHeader);
    add("chunk size past the end before fmt",
        Riff({Chunk("junk", Bytes(4), 0x00100000), Chunk("fmt ", fmt), Chunk("data", data)}),
        DamagedHeader);
    add("data before fmt, running past the end",
        Riff({Chunk("data", data, 0x7FFFFFFF), Chunk("fmt ", fmt)}), DamagedHeader);
    add("fmt shorter than 16 bytes", Riff({Chunk("fmt ", Prefix(fmt, 14)), Chunk("data", data)}),
        DamagedHeader);
    add("no data chunk", Riff({Chunk("fmt ", fmt), Chunk("LIST", data)}), DamagedHeader);
    add("no fmt chunk", Riff({Chunk("data", data)}), DamagedHeader);
    add("RIFX", Riff({Chunk("fmt ", fmt), Chunk("data", data)}, "RIFX"), NotWave);
    add("not WAVE", Riff({Chunk("fmt ", fmt), Chunk("data", data)}, "RIFF", "AVI "), NotWave);
    add("text file", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, NotWave);

    // RF64 and BW64 files whose ds64 chunk, which holds their sizes, is damaged.
    const Bytes ds64 = Ds64Body(4 + 36 + 24 + 8 + data.size(), data.size(), data.size() / 4);
    add("RF64 without ds64", Rf64({Chunk("fmt ", fmt), Chunk("data", data, 0xFFFFFFFF)}),
        DamagedHeader);
    add("BW64 without ds64", Rf64({Chunk("fmt ", fmt), Chunk("data", data, 0xFFFFFFFF)}, "BW64"),
        DamagedHeader);
    add("ds64 after fmt",
        Rf64({Chunk("fmt ", fmt), Chunk("ds64", ds64), Chunk("data", data, 0xFFFFFFFF)}),
        DamagedHeader);
    add("ds64 shorter than its sizes",
        Rf64(
            {Chunk("ds64", Prefix(ds64, 20)), Chunk("fmt ", fmt), Chunk("data", data, 0xFFFFFFFF)}),
        DamagedHeader);
    add("ds64 size past the end", Rf64({Chunk("ds64", ds64, 0x7FFFFFF0)}), DamagedHeader);
    const Bytes rf64 =
        Rf64({Chunk("ds64", ds64), Chunk("fmt ", fmt), Chunk("data", data, 0xFFFFFFFF)});
    for (std::size_t length = 12; length < 12 + 8 + 28; length += 5) {
        add("RF64 cut in its ds64 at " + std::to_string(length), Prefix(rf64, length),
            DamagedHeader);
    }
    return corpus;
}

TEST(MalformedInput, EveryDamagedHeaderIsRefusedWithTheOpenFailure) {
    testing_support::TempDir temp;
    const std::filesystem::path output = temp.path() / "out";
    std::filesystem::create_directory(output);
    const std::string input = temp.file("damaged.wav");
    const std::string errPath = temp.file("stderr.txt");

    const auto corpus = MalformedCorpus();
    for (const Malformed& malformed : corpus) {
        SCOPED_TRACE(malformed.name);
        testing_support::WriteFileBytes(input, malformed.bytes);
        const SplitterRun run = RunSplitter(input, output.string(), errPath);
        EXPECT_FALSE(run.hung);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err,
                  "Error: Failed to open " + input + " for reading,\n" +
                      OpenFailureReason(malformed.why, malformed.encodingTag, malformed.bits) +
                      "\n");
        EXPECT_TRUE(std::filesystem::is_empty(output));
        EXPECT_EQ(testing_support::ReadFileBytes(input), malformed.bytes)
            << "the input was changed";
    }
    std::printf("[figure] malformed inputs refused: %zu\n", corpus.size());
}

} // namespace
