// What the review window shows: zoom keeps the anchor in place and stays within
// the recording and the minimum span, scrolling clamps, the dB and linear level
// fractions invert each other, and a dragged threshold line lands on the
// trackbar position whose level it shows.
#include "ReviewViewport.h"
#include "OptionRules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

namespace {

constexpr std::uint32_t kRate = 8000;
constexpr std::uint32_t kFrames = 60 * kRate;

struct ViewStep {
    const char* what;
    void (*act)(ReviewViewport&);
    std::uint32_t first;
    std::uint32_t end;
};

class ViewportSteps : public testing::TestWithParam<ViewStep> {};

TEST_P(ViewportSteps, LandsOnTheExpectedSpan) {
    ReviewViewport view(kFrames, kRate);
    GetParam().act(view);
    EXPECT_EQ(view.FirstFrame(), GetParam().first);
    EXPECT_EQ(view.EndFrame(), GetParam().end);
    EXPECT_EQ(view.Fitted(), GetParam().first == 0 && GetParam().end == kFrames);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ViewportSteps,
    testing::Values(ViewStep{"fresh", [](ReviewViewport&) {}, 0, kFrames},
                    // The anchor keeps its place: a quarter in stays a quarter in.
                    ViewStep{"zoom in at a quarter",
                             [](ReviewViewport& v) { v.ZoomIn(kFrames / 4); }, kFrames / 8,
                             kFrames / 8 + kFrames / 2},
                    ViewStep{"zoom in at the end", [](ReviewViewport& v) { v.ZoomIn(kFrames); },
                             kFrames / 2, kFrames},
                    ViewStep{"zoom out never shows more than the recording",
                             [](ReviewViewport& v) {
                                 v.ZoomIn(0);
                                 v.ZoomOut(kFrames / 2);
                                 v.ZoomOut(kFrames / 2);
                             },
                             0, kFrames},
                    ViewStep{"zoom in stops at 50 ms",
                             [](ReviewViewport& v) {
                                 for (int i = 0; i < 40; ++i) {
                                     v.ZoomIn(kFrames / 2);
                                 }
                             },
                             kFrames / 2 - 200, kFrames / 2 + 200},
                    ViewStep{"scroll back clamps at the start",
                             [](ReviewViewport& v) {
                                 v.ZoomIn(kFrames / 2);
                                 v.Scroll(-5.0);
                             },
                             0, kFrames / 2},
                    ViewStep{"scroll on by a quarter span",
                             [](ReviewViewport& v) {
                                 v.Show(0, 4 * kRate);
                                 v.Scroll(0.25);
                             },
                             kRate, 5 * kRate},
                    ViewStep{"ensure visible after the view moves its end there",
                             [](ReviewViewport& v) {
                                 v.Show(0, 4 * kRate);
                                 v.EnsureVisible(10 * kRate);
                             },
                             6 * kRate + 1, 10 * kRate + 1},
                    ViewStep{"ensure visible of a frame in view keeps the view",
                             [](ReviewViewport& v) {
                                 v.Show(kRate, 5 * kRate);
                                 v.EnsureVisible(2 * kRate);
                             },
                             kRate, 5 * kRate},
                    ViewStep{"show a span too short widens it around its middle",
                             [](ReviewViewport& v) { v.Show(kRate, kRate + 10); }, kRate + 5 - 200,
                             kRate + 5 + 200},
                    ViewStep{"show past the end slides back",
                             [](ReviewViewport& v) { v.Show(kFrames - kRate, kFrames + kRate); },
                             kFrames - 2 * kRate, kFrames},
                    ViewStep{"fit after zooming",
                             [](ReviewViewport& v) {
                                 v.ZoomIn(7);
                                 v.Fit();
                             },
                             0, kFrames}),
    [](const testing::TestParamInfo<ViewStep>& info) {
        std::string name;
        for (const char* c = info.param.what; *c != 0; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    });

TEST(ReviewViewport, ARecordingShorterThanTheMinimumSpanShowsWhole) {
    ReviewViewport view(100, kRate);
    view.ZoomIn(50);
    EXPECT_EQ(view.FirstFrame(), 0u);
    EXPECT_EQ(view.EndFrame(), 100u);
    ReviewViewport empty(0, kRate);
    empty.ZoomIn(0);
    empty.Scroll(1.0);
    EXPECT_EQ(empty.EndFrame(), 0u);
}

TEST(LevelFraction, DecibelsAndLinearWithTheirInverse) {
    struct Case {
        std::uint32_t level;
        double linear;
        double decibels;
    };
    for (const Case& c :
         {Case{0, 0.0, 0.0}, Case{kFullScaleLevel, 1.0, 1.0},
          Case{kFullScaleLevel * 2, 1.0, 1.0}, // clamped
          Case{16384, 0.5, 1.0 - 6.0206 / 72.0}, Case{262, 262.0 / 32768, 1.0 - 41.94 / 72.0},
          Case{8, 8.0 / 32768, 0.0}}) { // -72.2 dB is under the floor
        EXPECT_NEAR(LevelFraction(c.level, AmplitudeView::Linear), c.linear, 1e-4) << c.level;
        EXPECT_NEAR(LevelFraction(c.level, AmplitudeView::Decibels), c.decibels, 1e-3) << c.level;
    }
    // The inverse, within a level's rounding, over the levels the dB view shows.
    for (std::uint32_t level : {9u, 33u, 262u, 1310u, 9000u, 32768u}) {
        for (AmplitudeView view : {AmplitudeView::Linear, AmplitudeView::Decibels}) {
            const std::uint32_t back = LevelAtFraction(LevelFraction(level, view), view);
            EXPECT_NEAR(back, level, 1.0) << level;
        }
    }
    EXPECT_EQ(LevelAtFraction(-0.5, AmplitudeView::Decibels), 0u);
    EXPECT_EQ(LevelAtFraction(2.0, AmplitudeView::Linear), kFullScaleLevel);
}

TEST(ThresholdPositionForLevel, TheLineLandsOnThePositionWhoseLevelItShows) {
    for (std::uint16_t bits : {8, 16, 24, 32}) {
        for (int position : {0, 1, 12, 60, 150, 299, 300}) {
            const std::uint32_t level =
                ThresholdLevel(ThresholdTextForPosition(position), JudgedBits(bits));
            const int found = ThresholdPositionForLevel(level, bits);
            // 8-bit levels are coarse: positions sharing a level are equally right.
            EXPECT_EQ(ThresholdLevel(ThresholdTextForPosition(found), JudgedBits(bits)), level)
                << bits << " bits, position " << position;
        }
    }
    // 24-bit recordings are judged on 16 bits: 0.20 % is 262 of 32768, not a wrapped value.
    EXPECT_EQ(ThresholdLevel("0.20 %", JudgedBits(24)), 262u);
    EXPECT_EQ(ThresholdPositionForLevel(262, 24), 12);
    EXPECT_EQ(ThresholdPositionForLevel(kFullScaleLevel * 4, 16), kThresholdSteps);
}

} // namespace
