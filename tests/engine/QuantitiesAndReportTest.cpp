// The derived quantities and the report text: the exact widths, truncations and
// rounding steps the user sees.
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

TEST(Quantities, ThresholdFollowsTheSliderTextsInBothSampleWidths) {
    EXPECT_EQ(AmplitudeThreshold("0.20 %", 16), 262);
    EXPECT_EQ(AmplitudeThreshold("0.20 %", 8), 1);
    EXPECT_EQ(AmplitudeThreshold("1.00 %", 16), 1310);
    EXPECT_EQ(AmplitudeThreshold("1.00 %", 8), 5);
    EXPECT_EQ(AmplitudeThreshold("5.00 %", 16), 6553);
    EXPECT_EQ(AmplitudeThreshold("5.00 %", 8), 25);
    EXPECT_EQ(AmplitudeThreshold("0.00 %", 16), 0);
    // 100 % of 2^17 wraps to 0 in 16 bits; 75 % keeps its low 16 bits.
    EXPECT_EQ(AmplitudeThreshold("100.00 %", 16), 0);
    EXPECT_EQ(AmplitudeThreshold("75.00 %", 16), 98304 - 65536);
    EXPECT_EQ(AmplitudeThreshold("100.00 %", 8), 512);
    // The number is the leading one, read like atof; none, or none finite, is 0.
    EXPECT_EQ(AmplitudeThreshold("", 16), 0);
    EXPECT_EQ(AmplitudeThreshold("5%", 16), 0); // two characters: nothing is left
    EXPECT_EQ(AmplitudeThreshold("abc %", 16), 0);
    EXPECT_EQ(AmplitudeThreshold("nan %", 16), 0);
    EXPECT_EQ(AmplitudeThreshold("1e999 %", 16), 0);
    EXPECT_EQ(AmplitudeThreshold("  +1.00xx %", 16), 1310); // leading number only, like atof
    EXPECT_EQ(AmplitudeThreshold("--1.00 %", 16), 0);       // one sign at most
}

TEST(Quantities, ThresholdIgnoresADecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, DECIMAL_COMMA_LOCALE) == nullptr) {
        GTEST_SKIP() << "the " DECIMAL_COMMA_LOCALE " locale is not installed";
    }
    const std::string decimalPoint = std::localeconv()->decimal_point;
    const std::uint16_t threshold = AmplitudeThreshold("0.20 %", 16);
    const std::string text = ThresholdTextForPosition(12);
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_EQ(decimalPoint, ",") << "the locale this test needs";
    EXPECT_EQ(threshold, 262);
    EXPECT_EQ(text, "0.20 %");
    EXPECT_EQ(ThresholdTextForPosition(kThresholdSteps), "5.00 %");
}

TEST(Quantities, FrameCountsAreFloorsOfRateTimesMilliseconds) {
    EXPECT_EQ(FramesForMilliseconds(44100, 500), 22050u);
    EXPECT_EQ(FramesForMilliseconds(11025, 1), 11u);
    EXPECT_EQ(FramesForMilliseconds(999, 1), 0u);
    EXPECT_EQ(FramesForMilliseconds(4000000000U, 5000), 20000000000ULL); // no 32-bit wrap
}

namespace {

SplitPlan PlanWith(std::vector<std::uint32_t> points, std::uint32_t lead, std::uint32_t tail,
                   std::uint32_t longest, std::uint32_t shortest) {
    SplitPlan plan;
    plan.splitPoints = std::move(points);
    plan.segmentCount = static_cast<std::uint32_t>(plan.splitPoints.size()) + 1;
    plan.leadTrimFrame = lead;
    plan.tailEndFrame = tail;
    plan.longestSegment = longest;
    plan.shortestSegment = shortest;
    return plan;
}

} // namespace

TEST(Report, WorkedExampleShowsStatisticsAndBothTrims) {
    const SplitPlan plan = PlanWith({6637050, 11025000}, 22050, 13200000, 6615000, 2205000);
    EXPECT_EQ(SplitAnalyzer::FormatReport(plan, 13230000, 44100),
              "Results of analysis:\n\n"
              "   Number of segments to be created:     3\n"
              "   Maximum segment length:\t 2:30\n"
              "   Minimum segment length:\t 0:50\n"
              "   Average segment length:\t 1:40\n"
              "   Trim 500 ms from beginning\n"
              "   Trim 680 ms from end\n\n"
              "Proceed to create WAV file segments?");
}

TEST(Report, TrimFiguresDivideInSinglePrecision) {
    // 0.7 s of lead trim is 0.69999999 s in single precision.
    std::string text =
        SplitAnalyzer::FormatReport(PlanWith({100000}, 30870, 0, 100000, 100000), 441000, 44100);
    EXPECT_NE(text.find("   Trim 699 ms from beginning\n   Trim 0 ms from end\n\n"),
              std::string::npos)
        << text;
    text = SplitAnalyzer::FormatReport(PlanWith({100000}, 4999, 0, 1, 1), 441000, 44100);
    EXPECT_NE(text.find("Trim 113 ms from beginning"), std::string::npos) << text;
    // Only a tail end: the beginning figure is 0.
    text = SplitAnalyzer::FormatReport(PlanWith({100000}, 0, 441000 - 22050, 1, 1), 441000, 44100);
    EXPECT_NE(text.find("   Trim 0 ms from beginning\n   Trim 500 ms from end\n\n"),
              std::string::npos)
        << text;
}

TEST(Report, LengthsTruncateAndWidenAndAverageUsesWholeSeconds) {
    // 59.99 s shows 0:59; 100 minutes widen the field; 10.99 s over 3 segments is 0:03.
    const std::string text =
        SplitAnalyzer::FormatReport(PlanWith({1000, 2000}, 0, 0, 6000 * 1000, 59990), 10990, 1000);
    EXPECT_EQ(text, "Results of analysis:\n\n"
                    "   Number of segments to be created:     3\n"
                    "   Maximum segment length:\t100:00\n"
                    "   Minimum segment length:\t 0:59\n"
                    "   Average segment length:\t 0:03\n"
                    "\n"
                    "Proceed to create WAV file segments?");
}
