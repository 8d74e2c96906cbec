// The chunks every track file carries before its audio: the recording's own
// broadcast extension (its time reference moved to the file's first sample) and
// iXML, and the tags (titles, artist, album, ... and this program as the
// software), with the recording's tags as defaults for what the options leave open.
#pragma once

#include "TrackNaming.h"
#include "WaveFormat.h"
#include "WaveMetadata.h"

#include <cstdint>
#include <string>
#include <vector>

// The chunks for the track at `position` (1-based), whose first frame
// is `firstFrame` of the recording. Empty when there is nothing to say: no tag
// given and no metadata in the recording, so plain files stay as they were.
std::vector<std::uint8_t> TrackChunks(const TrackNaming& naming, const WaveMetadata& recording,
                                      const WaveFormat& format, std::uint32_t position,
                                      std::uint64_t firstFrame);

// "Quernfold <version>": the software tag and the coding history's writer.
std::string SoftwareName();
