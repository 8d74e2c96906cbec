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
// 8- and 16-bit samples arrive as they are stored; wider ones reduced to 16 bits:
// 24-bit s to s >> 8, 32-bit s to s >> 16 (arithmetic shifts), floating-point x
// to floor(x * 32768) held within -32768..32767, NaN to 32767 (a damaged sample
// is never taken for silence).
void UnpackFrames(const WaveFormat& format, const std::uint8_t* in, FrameSlot* frames,
                  std::size_t count);

// count slots into stored frames (StoredFrameBytes(format) each). Wider samples
// get the slot's 16-bit value scaled up, so a slot reads back as itself and a
// slot of zeros packs to the format's silence.
void PackFrames(const WaveFormat& format, const FrameSlot* frames, std::uint8_t* out,
                std::size_t count);
