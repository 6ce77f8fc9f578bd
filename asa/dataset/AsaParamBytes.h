// Little-endian integers and doubles as bytes, for the parameters' data form and stored form.
// They are explicit about byte order so that form files read the same on every host.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

namespace tnx::paramBytes {

// Appends the low 'size' bytes of bits, least significant first.
inline void AppendLittleEndian(std::string& out, std::uint64_t bits, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

inline std::uint64_t FromLittleEndian(const unsigned char* bytes, int size) {
    std::uint64_t bits = 0;
    for (int i = 0; i < size; ++i)
        bits |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    return bits;
}

inline void AppendInt32(std::string& out, std::int32_t value) {
    AppendLittleEndian(out, static_cast<std::uint32_t>(value), 4);
}

inline void AppendDouble(std::string& out, double value) {
    AppendLittleEndian(out, std::bit_cast<std::uint64_t>(value), 8);
}

inline std::int32_t Int32At(const unsigned char* bytes) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(FromLittleEndian(bytes, 4)));
}

inline double DoubleAt(const unsigned char* bytes) {
    return std::bit_cast<double>(FromLittleEndian(bytes, 8));
}

} // namespace tnx::paramBytes
