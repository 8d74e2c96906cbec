// Conversion between frames as the file stores them and frame slots.
#pragma once

#include "FrameSlot.h"
#include "WaveFormat.h"

#include <cstddef>
#include <cstdint>

// Whether the stored frames of `format` are already frame slots byte for byte,
// so that they can be read straight into the slots.
bool StoredAsSlots(const WaveFormat& format);

// count stored frames into slots. For mono, each slot's second value stays as it was.
void UnpackFrames(const WaveFormat& format, const std::uint8_t* in, FrameSlot* frames,
                  std::size_t count);

// count slots into stored frames (StoredFrameBytes(format) each).
void PackFrames(const WaveFormat& format, const FrameSlot* frames, std::uint8_t* out,
                std::size_t count);
