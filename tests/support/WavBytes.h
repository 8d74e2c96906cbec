// Hand-built RIFF WAVE files, for the layouts and faults no ordinary writer produces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wavbytes {

using Bytes = std::vector<std::uint8_t>;

inline void Append32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

inline void Append16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline std::uint32_t Get32(const Bytes& in, std::size_t at) {
    return static_cast<std::uint32_t>(in[at]) | (static_cast<std::uint32_t>(in[at + 1]) << 8) |
           (static_cast<std::uint32_t>(in[at + 2]) << 16) |
           (static_cast<std::uint32_t>(in[at + 3]) << 24);
}

// One chunk: id, size (the body's unless given), body, and a pad byte after an odd body.
inline Bytes Chunk(const std::string& id, const Bytes& body, std::int64_t size = -1) {
    Bytes out(id.begin(), id.end());
    Append32(out,
             size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

struct Fmt {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    std::int64_t byteRate = -1;   // derived unless given
    std::int64_t blockAlign = -1; // derived unless given
};

inline Bytes FmtBody(const Fmt& fmt) {
    Bytes body;
    Append16(body, fmt.tag);
    Append16(body, fmt.channels);
    Append32(body, fmt.rate);
    Append32(body, fmt.byteRate >= 0 ? static_cast<std::uint32_t>(fmt.byteRate)
                                     : fmt.rate * fmt.bits * fmt.channels / 8);
    Append16(body, fmt.blockAlign >= 0 ? static_cast<std::uint16_t>(fmt.blockAlign)
                                       : static_cast<std::uint16_t>(fmt.bits * fmt.channels / 8));
    Append16(body, fmt.bits);
    return body;
}

// "RIFF", the size of what follows, "WAVE", then the chunks as given.
inline Bytes Riff(const std::vector<Bytes>& chunks, const std::string& id = "RIFF",
                  const std::string& form = "WAVE") {
    Bytes inner(form.begin(), form.end());
    for (const Bytes& chunk : chunks) {
        inner.insert(inner.end(), chunk.begin(), chunk.end());
    }
    Bytes out(id.begin(), id.end());
    Append32(out, static_cast<std::uint32_t>(inner.size()));
    out.insert(out.end(), inner.begin(), inner.end());
    return out;
}

// Frame i of a test signal: distinct, signed and unsigned-safe values.
inline Bytes Ramp(std::size_t bytes) {
    Bytes out(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return out;
}

} // namespace wavbytes
