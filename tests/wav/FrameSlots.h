// Frame slots pre-filled with a value no test writes, so a read that fills too
// many or too few shows.
#pragma once

#include "FrameSlot.h"

#include <cstdint>
#include <vector>

inline constexpr std::int16_t kUntouched = 0x5A5A;

inline std::vector<FrameSlot> Slots(std::size_t count) {
    return std::vector<FrameSlot>(count, FrameSlot{kUntouched, kUntouched});
}
