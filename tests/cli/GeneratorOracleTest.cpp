// make-recording's wider formats, as libsndfile reads them.
#include "ProgramRun.h"
#include "SndfileOracle.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using cli_testing::RunProgram;

namespace {

TEST(GeneratorOracle, WiderFormatsAreWrittenInTheAskedSampleTypeAndHeader) {
    struct Case {
        std::vector<std::string> format;
        int subtype;
        int container;
    };
    const Case cases[] = {
        {{"--bits", "16"}, SF_FORMAT_PCM_16, SF_FORMAT_WAV},
        {{"--bits", "24"}, SF_FORMAT_PCM_24, SF_FORMAT_WAV},
        {{"--bits", "32", "--extensible"}, SF_FORMAT_PCM_32, SF_FORMAT_WAVEX},
        {{"--bits", "32", "--float"}, SF_FORMAT_FLOAT, SF_FORMAT_WAV},
        {{"--bits", "64", "--float", "--extensible"}, SF_FORMAT_DOUBLE, SF_FORMAT_WAVEX},
    };
    testing_support::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format[1]);
        std::vector<std::string> arguments = {"--tracks", "3", "--length", "110", "--rate", "8000"};
        arguments.insert(arguments.end(), c.format.begin(), c.format.end());
        arguments.push_back("rec.wav");
        ASSERT_EQ(RunProgram(MAKE_RECORDING_PROGRAM, arguments, dir.path().string()).exitStatus, 0);
        const auto file = testing_support::ReadWithSndfile(dir.file("rec.wav"));
        ASSERT_TRUE(file.opened);
        EXPECT_EQ(file.subtype, c.subtype);
        EXPECT_EQ(file.container, c.container);
    }
}

} // namespace
