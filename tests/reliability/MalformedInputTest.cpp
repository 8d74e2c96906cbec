// Damaged and hostile headers through the command-line program: every one is
// refused with the open-failure text and exit status 1, creates nothing in the
// output folder, and neither crashes nor hangs.
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

std::vector<std::pair<std::string, Bytes>> MalformedCorpus() {
    std::vector<std::pair<std::string, Bytes>> corpus;
    // Every truncation that cuts a header short.
    const Bytes canonical = Canonical(Fmt{});
    for (std::size_t length = 0; length < 44; ++length) {
        corpus.emplace_back("canonical cut at " + std::to_string(length),
                            Prefix(canonical, length));
    }
    const Bytes extensible = Extensible();
    for (std::size_t length = 0; length < 68; ++length) {
        corpus.emplace_back("extensible cut at " + std::to_string(length),
                            Prefix(extensible, length));
    }

    auto withFmt = [&corpus](const std::string& name, auto change) {
        Fmt fmt;
        change(fmt);
        corpus.emplace_back(name, Canonical(fmt));
    };
    withFmt("zero channels", [](Fmt& f) { f.channels = 0; });
    withFmt("65535 channels", [](Fmt& f) { f.channels = 65535; });
    withFmt("zero rate", [](Fmt& f) { f.rate = 0; });
    // The byte rate field holds what 32-bit arithmetic makes of the true rate.
    withFmt("rate 4294967295", [](Fmt& f) { f.rate = 0xFFFFFFFF; });
    withFmt("rate 2^30, byte rate 4 GiB", [](Fmt& f) { f.rate = 0x40000000; });
    withFmt("zero bits", [](Fmt& f) { f.bits = 0; });
    withFmt("12 bits", [](Fmt& f) { f.bits = 12; });
    withFmt("block align 3", [](Fmt& f) { f.blockAlign = 3; });
    withFmt("block align 1", [](Fmt& f) { f.blockAlign = 1; });
    withFmt("block align 65535", [](Fmt& f) { f.blockAlign = 65535; });
    withFmt("byte rate off by one", [](Fmt& f) { f.byteRate = 176401; });
    withFmt("float samples", [](Fmt& f) { f.tag = 3; });

    const Bytes fmt = FmtBody(Fmt{});
    const Bytes data = Samples(400);
    corpus.emplace_back("fmt size past the end", Riff({Chunk("fmt ", fmt, 0x7FFFFFFF)}));
    corpus.emplace_back("fmt size 2^32 - 1", Riff({Chunk("fmt ", fmt, 0xFFFFFFFF)}));
    // In 32-bit arithmetic these sizes wrap the walk back onto earlier chunks.
    corpus.emplace_back("fmt size that loops back",
                        Riff({Chunk("fmt ", fmt, 0xFFFFFFF8), Chunk("data", data)}));
    corpus.emplace_back(
        "chunk that loops back before fmt",
        Riff({Chunk("LIST", Bytes(4), 0xFFFFFFF4), Chunk("fmt ", fmt), Chunk("data", data)}));
    corpus.emplace_back(
        "chunk size past the end before fmt",
        Riff({Chunk("junk", Bytes(4), 0x00100000), Chunk("fmt ", fmt), Chunk("data", data)}));
    corpus.emplace_back("data before fmt, running past the end",
                        Riff({Chunk("data", data, 0x7FFFFFFF), Chunk("fmt ", fmt)}));
    corpus.emplace_back("fmt shorter than 16 bytes",
                        Riff({Chunk("fmt ", Prefix(fmt, 14)), Chunk("data", data)}));
    corpus.emplace_back("no data chunk", Riff({Chunk("fmt ", fmt), Chunk("LIST", data)}));
    corpus.emplace_back("no fmt chunk", Riff({Chunk("data", data)}));
    corpus.emplace_back("RIFX", Riff({Chunk("fmt ", fmt), Chunk("data", data)}, "RIFX"));
    corpus.emplace_back("not WAVE",
                        Riff({Chunk("fmt ", fmt), Chunk("data", data)}, "RIFF", "AVI "));
    corpus.emplace_back("text file", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    return corpus;
}

TEST(MalformedInput, EveryDamagedHeaderIsRefusedWithTheOpenFailure) {
    testing_support::TempDir temp;
    const std::filesystem::path output = temp.path() / "out";
    std::filesystem::create_directory(output);
    const std::string input = temp.file("damaged.wav");
    const std::string errPath = temp.file("stderr.txt");
    const std::string refusal =
        "Error: Failed to open " + input +
        " for reading,\neither due to a system file error\nor because it is in an "
        "unrecognized\nformat.  Your WAV file must be\nencoded in a sampling rate of\neither 8 or "
        "16 bits in stereo or\nmono mode.\n";

    const auto corpus = MalformedCorpus();
    for (const auto& [name, bytes] : corpus) {
        SCOPED_TRACE(name);
        testing_support::WriteFileBytes(input, bytes);
        const SplitterRun run = RunSplitter(input, output.string(), errPath);
        EXPECT_FALSE(run.hung);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, refusal);
        EXPECT_TRUE(std::filesystem::is_empty(output));
        EXPECT_EQ(testing_support::ReadFileBytes(input), bytes) << "the input was changed";
    }
    std::printf("[figure] malformed inputs refused: %zu\n", corpus.size());
}

} // namespace
