// make-recording: writes a deterministic demo recording for trying out and
// benchmarking the splitter.
#include "FileSystem.h"
#include "ProgramText.h"
#include "RecordingGenerator.h"
#include "WaveStream.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char kDescription[] =
    "Writes a demo recording: tracks of chords, bass and shaped noise (peaks near\n"
    "-8 dBFS, RMS near -22 dBFS), separated by pauses of low-level room noise (peaks\n"
    "under 0.1 % of full scale), with a second of that noise before the first track\n"
    "and after the last.\n"
    "The same options always give the same file, byte for byte.\n"
    "\n"
    "The splitter's default options (0.20 % maximum method, 500 ms windows, 30 s\n"
    "minimum track) cut at every pause when the tracks last at least 32 seconds\n"
    "and the pauses at least 1.5 seconds.\n"
    "\n"
    "Examples:\n"
    "  make-recording demo.wav                          3 minutes, 5 tracks, 44.1 kHz 16-bit "
    "stereo\n"
    "  make-recording --length 3600 --tracks 60 long.wav   an hour for benchmarks\n"
    "  make-recording --bits 8 --channels 1 --rate 11025 --track-sec 40 --tracks 3 small.wav\n"
    "  make-recording --hiss 0.5 --clicks 2 --hum 0.1 --dc -0.3 worn.wav   a worn record\n"
    "  make-recording --bits 24 --rate 96000 --extensible hires.wav\n"
    "  make-recording --bits 32 --float float.wav\n"
    "\n"
    "Files wider than 16 bits hold the 16-bit recording scaled up, so that they\n"
    "split exactly as the 16-bit file does.\n"
    "\n"
    "The condition options (--master-db to --dc) imitate what defeats a fixed silence\n"
    "threshold: a quiet master, quiet passages inside tracks, tape hiss, vinyl clicks\n"
    "and crackle, mains hum with harmonics, and a recorder's DC offset.\n";

// Frames rendered and written per block: big blocks keep hour-long files fast.
constexpr std::uint32_t kBlockFrames = 1u << 16;

// The file format the options ask for; the generator renders 8- or 16-bit frames,
// which the writer scales up to wider samples.
WaveFormat FileFormat(const RecordingSettings& settings, std::uint16_t bits, bool isFloat,
                      bool extensible) {
    WaveFormat format = PcmFormat(settings.sampleRate, bits, settings.channels);
    if (isFloat) {
        format.formatTag = kFormatFloat;
        format.encodingTag = kFormatFloat;
    }
    if (extensible) {
        format.formatTag = kFormatExtensible;
        format.validBits = bits;
        format.channelMask = settings.channels == 2 ? 0x3 : 0x4; // front left+right, or centre
    }
    return format;
}

// What the command line asks for: the settings and the options that become them.
struct Request {
    RecordingSettings settings;
    std::string outputPath;
    std::uint16_t bits = 16;
    bool isFloat = false;
    bool extensible = false;
    double masterDb = 0.0;
    double quietPassageDb = 0.0;
    double hissPercent = 0.0;
    double cracklePercent = 0.0;
    double humPercent = 0.0;
    double dcPercent = 0.0;
};

void AddFormatOptions(CLI::App& app, Request& request) {
    RecordingSettings& settings = request.settings;
    app.add_option("--rate", settings.sampleRate, "Sample rate in Hz")
        ->capture_default_str()
        ->check(CLI::Range(1000u, 192000u));
    app.add_option("--bits", request.bits,
                   "Bits per sample: 8, 16, 24 or 32; with --float 32 or 64")
        ->capture_default_str()
        ->check(CLI::IsMember({8, 16, 24, 32, 64}));
    app.add_flag("--float", request.isFloat, "Floating-point samples (32 or 64 bits)");
    app.add_flag("--extensible", request.extensible,
                 "An extensible fmt chunk, as many recorders write");
    app.add_option("--channels", settings.channels, "Channels: 1 or 2")
        ->capture_default_str()
        ->check(CLI::IsMember({1, 2}));
}

void AddLayoutOptions(CLI::App& app, RecordingSettings& settings) {
    app.add_option("--tracks", settings.trackCount, "Number of tracks")
        ->capture_default_str()
        ->check(CLI::Range(1u, 10000u));
    auto* length = app.add_option("--length", settings.totalSeconds,
                                  "Total length in seconds; tracks vary by up to 5 % around "
                                  "their average")
                       ->capture_default_str()
                       ->check(CLI::Range(1.0, 86400.0));
    app.add_option("--track-sec", settings.trackSeconds,
                   "Length of every track in seconds (instead of --length)")
        ->check(CLI::Range(1.0, 86400.0))
        ->excludes(length);
    app.add_option("--pause-sec", settings.pauseSeconds, "Length of each pause in seconds")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 600.0));
    app.add_option("--lead-sec", settings.leadSeconds, "Room noise before the first track")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 600.0));
    app.add_option("--tail-sec", settings.tailSeconds, "Room noise after the last track")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 600.0));
    app.add_option("--seed", settings.seed, "Varies keys, tempi, track lengths and noise")
        ->capture_default_str();
}

void AddLevelOptions(CLI::App& app, Request& request) {
    app.add_option("--master-db", request.masterDb,
                   "Gain of the music and room noise in dB (a quiet "
                   "master is well below 0)")
        ->capture_default_str()
        ->check(CLI::Range(-90.0, 0.0));
    app.add_option("--quiet-passage-db", request.quietPassageDb,
                   "The middle third of every track this many dB quieter")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 90.0));
    app.add_option("--hiss", request.hissPercent,
                   "Tape hiss throughout, peak in percent of full scale")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 50.0));
    app.add_option("--clicks", request.settings.clicksPerSecond,
                   "Vinyl clicks (10 % to 40 % of full scale) per second, at random times")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 1000.0));
    app.add_option("--crackle", request.cracklePercent,
                   "Vinyl crackle: about 200 small ticks a second, up to this percent")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 50.0));
    app.add_option("--hum", request.humPercent,
                   "Mains hum in percent of full scale, with its 2nd and 3rd harmonics")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 50.0));
    app.add_option("--hum-hz", request.settings.humFrequency, "Mains frequency of the hum")
        ->capture_default_str()
        ->check(CLI::IsMember({50.0, 60.0}));
    app.add_option("--dc", request.dcPercent, "DC offset in percent of full scale, signed")
        ->capture_default_str()
        ->check(CLI::Range(-50.0, 50.0));
}

// The exit status when the command line is refused or help was asked for, or
// no value when the recording is to be made.
std::optional<int> ParseCommandLine(int argc, char** argv, Request& request) {
    CLI::App app{kDescription, "make-recording"};
    app.get_formatter()->column_width(30);
    AddFormatOptions(app, request);
    AddLayoutOptions(app, request.settings);
    AddLevelOptions(app, request);
    app.add_option("OUTPUT", request.outputPath, "The WAV file to write (replaced if it exists)")
        ->required();

    // "/tmp/x.wav" is a path, not an option, on every platform.
    app.allow_windows_style_options(false);
    const std::vector<std::string> arguments = ProgramArguments(argc, argv);
    std::vector<const char*> argumentTexts;
    for (const std::string& argument : arguments) {
        argumentTexts.push_back(argument.c_str());
    }
    try {
        app.parse(static_cast<int>(argumentTexts.size()), argumentTexts.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "make-recording: %s\nRun with --help for more information.\n",
                     e.what());
        return 2;
    }

    if (request.isFloat != (request.bits == 64) && !(request.isFloat && request.bits == 32)) {
        std::fprintf(stderr, "make-recording: --float takes 32 or 64 bits; integer samples 8 to "
                             "32.\nRun with --help for more information.\n");
        return 2;
    }
    return std::nullopt;
}

// The levels given in dB and percent, as the generator's gains and fractions.
void ApplyLevels(Request& request) {
    RecordingSettings& settings = request.settings;
    settings.bitsPerSample = request.bits == 8 ? 8 : 16;
    settings.masterGain = std::pow(10.0, request.masterDb / 20.0);
    settings.quietPassageGain = std::pow(10.0, -request.quietPassageDb / 20.0);
    settings.hissLevel = request.hissPercent / 100.0;
    settings.crackleLevel = request.cracklePercent / 100.0;
    settings.humLevel = request.humPercent / 100.0;
    settings.dcOffset = request.dcPercent / 100.0;
}

// Renders the whole recording into the output file; a file that could not be
// written whole is removed. The exit status.
int WriteRecording(const Request& request, RecordingGenerator& generator) {
    const std::string& outputPath = request.outputPath;
    // The stream releases its file on every way out; Close also patches the header sizes.
    WaveStream output;
    const WaveFormat format =
        FileFormat(request.settings, request.bits, request.isFloat, request.extensible);
    if (output.OpenForWrite(outputPath.c_str(), format, generator.TotalFrames()) != WAVE_OK) {
        std::fprintf(stderr, "make-recording: cannot create %s.\n", outputPath.c_str());
        return 1;
    }

    std::vector<FrameSlot> frames(kBlockFrames);
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(kBlockFrames) * format.blockAlign);
    bool failed = false;
    while (std::uint32_t rendered = generator.Render(frames.data(), kBlockFrames)) {
        if (output.WriteFrames(frames.data(), rendered, scratch.data()) != WAVE_OK) {
            failed = true;
            break;
        }
    }
    failed = output.Close() != WAVE_OK || failed;
    if (failed) {
        std::fprintf(stderr, "make-recording: writing %s failed.\n", outputPath.c_str());
        RemoveFile(outputPath);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    UseUtf8Output();
    Request request;
    if (const std::optional<int> status = ParseCommandLine(argc, argv, request)) {
        return *status;
    }
    ApplyLevels(request);
    const RecordingSettings& settings = request.settings;

    std::string error;
    std::vector<RecordingSection> sections = LayOutRecording(settings, error);
    if (sections.empty()) {
        std::fprintf(stderr, "make-recording: %s.\n", error.c_str());
        return 2;
    }
    RecordingGenerator generator(settings, sections);
    if (const int status = WriteRecording(request, generator); status != 0) {
        return status;
    }

    const std::uint64_t seconds = generator.TotalFrames() / settings.sampleRate;
    std::printf("%s: %u tracks, %llu:%02llu, %u Hz, %u-bit%s, %s\n", request.outputPath.c_str(),
                settings.trackCount, static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60), settings.sampleRate, request.bits,
                request.isFloat ? " float" : "", settings.channels == 2 ? "stereo" : "mono");
    return 0;
}
