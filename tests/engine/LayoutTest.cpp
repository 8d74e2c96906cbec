// Where the writer cuts: window-aligned ends, the lead trim and the tail end.
#include "SegmentWriter.h"

#include <gtest/gtest.h>

namespace {

SplitPlan Plan(std::vector<std::uint32_t> points, std::uint32_t lead, std::uint32_t tail,
               std::uint32_t window) {
    SplitPlan plan;
    plan.splitPoints = std::move(points);
    plan.segmentCount = static_cast<std::uint32_t>(plan.splitPoints.size()) + 1;
    plan.leadTrimFrame = lead;
    plan.tailEndFrame = tail;
    plan.windowFrames = window;
    return plan;
}

void ExpectSpan(const SegmentSpan& span, std::uint32_t first, std::uint32_t end, bool silence) {
    EXPECT_EQ(span.firstFrame, first);
    EXPECT_EQ(span.endFrame, end);
    EXPECT_EQ(span.appendSilence, silence);
}

} // namespace

TEST(LayOutSegments, EndsOnTheFirstWindowBoundaryAtOrAfterEachSplit) {
    // 400 ms windows at 44100 Hz: the split at 61740 ends file 1 after four windows.
    auto spans = LayOutSegments(Plan({61740}, 0, 0, 17640), 200000);
    ASSERT_EQ(spans.size(), 2u);
    ExpectSpan(spans[0], 0, 70560, true);
    ExpectSpan(spans[1], 70560, 200000, false);

    // The grid counts from the lead trim.
    spans = LayOutSegments(Plan({62740}, 1000, 0, 17640), 200000);
    ExpectSpan(spans[0], 1000, 71560, true);
    ExpectSpan(spans[1], 71560, 200000, false);

    // The tail end stops the last file exactly.
    spans = LayOutSegments(Plan({61740}, 0, 190000, 17640), 200000);
    ExpectSpan(spans[1], 70560, 190000, false);

    // A split on a window boundary ends its file exactly there.
    spans = LayOutSegments(Plan({1000, 2200}, 0, 0, 100), 3000);
    ExpectSpan(spans[0], 0, 1000, true);
    ExpectSpan(spans[1], 1000, 2200, true);
    ExpectSpan(spans[2], 2200, 3000, false);
}

TEST(LayOutSegments, TailEndBeforeASegmentLeavesThatFileAndLaterOnesEmpty) {
    const auto spans = LayOutSegments(Plan({1000, 2000}, 0, 1500, 100), 3000);
    ASSERT_EQ(spans.size(), 3u);
    ExpectSpan(spans[0], 0, 1000, true);
    ExpectSpan(spans[1], 1000, 1500, true); // its windows run on to 2000, copying nothing
    EXPECT_EQ(spans[1].windowEnd, 2000u);
    ExpectSpan(spans[2], 1500, 1500, false);
    EXPECT_EQ(spans[2].windowStart, spans[2].windowEnd); // no window at all
}
