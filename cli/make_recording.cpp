// make-recording: writes a deterministic demo recording for trying out and
// benchmarking the splitter.
#include "RecordingGenerator.h"
#include "WaveStream.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
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
    "\n"
    "The condition options (--master-db to --dc) imitate what defeats a fixed silence\n"
    "threshold: a quiet master, quiet passages inside tracks, tape hiss, vinyl clicks\n"
    "and crackle, mains hum with harmonics, and a recorder's DC offset.\n";

// Frames rendered and written per block: big blocks keep hour-long files fast.
constexpr std::uint32_t kBlockFrames = 1u << 16;

} // namespace

int main(int argc, char** argv) {
    RecordingSettings settings;
    std::string outputPath;

    CLI::App app{kDescription, "make-recording"};
    app.get_formatter()->column_width(30);
    app.add_option("--rate", settings.sampleRate, "Sample rate in Hz")
        ->capture_default_str()
        ->check(CLI::Range(1000u, 192000u));
    app.add_option("--bits", settings.bitsPerSample, "Bits per sample: 8 or 16")
        ->capture_default_str()
        ->check(CLI::IsMember({8, 16}));
    app.add_option("--channels", settings.channels, "Channels: 1 or 2")
        ->capture_default_str()
        ->check(CLI::IsMember({1, 2}));
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
    double masterDb = 0.0;
    double quietPassageDb = 0.0;
    double hissPercent = 0.0;
    double cracklePercent = 0.0;
    double humPercent = 0.0;
    double dcPercent = 0.0;
    app.add_option("--master-db", masterDb,
                   "Gain of the music and room noise in dB (a quiet "
                   "master is well below 0)")
        ->capture_default_str()
        ->check(CLI::Range(-90.0, 0.0));
    app.add_option("--quiet-passage-db", quietPassageDb,
                   "The middle third of every track this many dB quieter")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 90.0));
    app.add_option("--hiss", hissPercent, "Tape hiss throughout, peak in percent of full scale")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 50.0));
    app.add_option("--clicks", settings.clicksPerSecond,
                   "Vinyl clicks (10 % to 40 % of full scale) per second, at random times")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 1000.0));
    app.add_option("--crackle", cracklePercent,
                   "Vinyl crackle: about 200 small ticks a second, up to this percent")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 50.0));
    app.add_option("--hum", humPercent,
                   "Mains hum in percent of full scale, with its 2nd and 3rd harmonics")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 50.0));
    app.add_option("--hum-hz", settings.humFrequency, "Mains frequency of the hum")
        ->capture_default_str()
        ->check(CLI::IsMember({50.0, 60.0}));
    app.add_option("--dc", dcPercent, "DC offset in percent of full scale, signed")
        ->capture_default_str()
        ->check(CLI::Range(-50.0, 50.0));
    app.add_option("OUTPUT", outputPath, "The WAV file to write (replaced if it exists)")
        ->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "make-recording: %s\nRun with --help for more information.\n",
                     e.what());
        return 2;
    }

    settings.masterGain = std::pow(10.0, masterDb / 20.0);
    settings.quietPassageGain = std::pow(10.0, -quietPassageDb / 20.0);
    settings.hissLevel = hissPercent / 100.0;
    settings.crackleLevel = cracklePercent / 100.0;
    settings.humLevel = humPercent / 100.0;
    settings.dcOffset = dcPercent / 100.0;

    std::string error;
    std::vector<RecordingSection> sections = LayOutRecording(settings, error);
    if (sections.empty()) {
        std::fprintf(stderr, "make-recording: %s.\n", error.c_str());
        return 2;
    }
    RecordingGenerator generator(settings, sections);

    // The stream releases its file on every way out; Close also patches the header sizes.
    WaveStream output;
    if (output.OpenForWrite(outputPath.c_str(), settings.sampleRate, settings.bitsPerSample,
                            settings.channels) != WAVE_OK) {
        std::fprintf(stderr, "make-recording: cannot create %s.\n", outputPath.c_str());
        return 1;
    }

    std::vector<FrameSlot> frames(kBlockFrames);
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(kBlockFrames) * 4);
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
        std::remove(outputPath.c_str());
        return 1;
    }

    const std::uint64_t seconds = generator.TotalFrames() / settings.sampleRate;
    std::printf("%s: %u tracks, %llu:%02llu, %u Hz, %u-bit, %s\n", outputPath.c_str(),
                settings.trackCount, static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60), settings.sampleRate,
                settings.bitsPerSample, settings.channels == 2 ? "stereo" : "mono");
    return 0;
}
