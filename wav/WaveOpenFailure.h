// Why a file could not be opened for reading. The layer reports the reason as a
// code; the program's front ends word it.
#pragma once

enum class WaveOpenFailure {
    None,
    Missing,             // no file of that name
    CannotOpen,          // the system refused to open or read it
    NotRegularFile,      // a folder, a device or a pipe
    NotWave,             // not a RIFF (or RF64/BW64) WAVE file
    UnsupportedEncoding, // samples of a kind the layer does not read
    TooManyChannels,     // more than two
    DamagedHeader,       // fields that contradict each other or the file
    TooLarge,            // more frames than a 32-bit count can describe
};
