// The in-memory form of one sample frame.
#pragma once

#include <cstdint>

// One sample frame in memory: channel 1 (mono, or left) then channel 2.
// 16-bit samples are held as stored; 8-bit samples as their unsigned byte value
// 0..255, not re-centred (silence is 128). For mono only channel1 is used.
struct FrameSlot {
    std::int16_t channel1;
    std::int16_t channel2;
};
static_assert(sizeof(FrameSlot) == 4, "a frame slot is two 16-bit values, 4 bytes");
