// Packing of the file's little-endian fields. The layer copies sample bytes
// between the file and memory as they lie, which is only right on a
// little-endian host, so it refuses to build on any other.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "the WAV layer copies little-endian samples straight into memory");

namespace byte_order {

inline void PutLE16(std::uint8_t* out, std::uint16_t value) {
    std::memcpy(out, &value, sizeof value);
}

inline void PutLE32(std::uint8_t* out, std::uint32_t value) {
    std::memcpy(out, &value, sizeof value);
}

inline void PutLE64(std::uint8_t* out, std::uint64_t value) {
    std::memcpy(out, &value, sizeof value);
}

inline std::uint16_t GetLE16(const std::uint8_t* in) {
    std::uint16_t value;
    std::memcpy(&value, in, sizeof value);
    return value;
}

inline std::uint32_t GetLE32(const std::uint8_t* in) {
    std::uint32_t value;
    std::memcpy(&value, in, sizeof value);
    return value;
}

inline std::uint64_t GetLE64(const std::uint8_t* in) {
    std::uint64_t value;
    std::memcpy(&value, in, sizeof value);
    return value;
}

// A four-character code is its characters in memory order, so it is copied as
// bytes, never packed as a number.
inline void PutFourCC(std::uint8_t* out, std::uint32_t code) {
    std::memcpy(out, &code, sizeof code);
}

inline std::uint32_t GetFourCC(const std::uint8_t* in) {
    std::uint32_t code;
    std::memcpy(&code, in, sizeof code);
    return code;
}

} // namespace byte_order
