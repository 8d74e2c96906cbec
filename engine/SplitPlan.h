// The result of the analysis: where the segments begin and end.
#pragma once

#include <cstdint>
#include <vector>

struct SplitPlan {
    // Strictly ascending window starts; entry n is where segment n + 1 ends and
    // segment n + 2 begins (the writer cuts at the first window boundary at or after it).
    std::vector<std::uint32_t> splitPoints;
    std::uint32_t segmentCount = 1;
    std::uint32_t leadTrimFrame = 0; // first frame of segment 1; 0: nothing trimmed
    std::uint32_t tailEndFrame = 0;  // first frame after the kept audio; 0: no tail trim
    std::uint32_t windowFrames = 0;
    std::int16_t silenceSample = 0; // 128 for 8-bit input, 0 for 16-bit
    std::uint32_t longestSegment = 0;
    std::uint32_t shortestSegment = 0;
};
