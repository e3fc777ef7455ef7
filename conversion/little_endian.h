// SPDX-License-Identifier: MIT
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Little-endian field access on byte buffers, independent of the host's order.
namespace scanmill::le {

inline std::uint16_t readUint16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readUint32(const unsigned char* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

inline std::int16_t readInt16(const unsigned char* p) {
    return std::bit_cast<std::int16_t>(readUint16(p));
}

inline float readFloat32(const unsigned char* p) {
    return std::bit_cast<float>(readUint32(p));
}

inline void writeUint16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void writeUint32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// One store where the host's order is the file's: the number field packs its
// digits into a 64-bit integer and writes them with this.
inline void writeUint64(unsigned char* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, 8);
    } else {
        for (int i = 0; i < 8; ++i) {
            p[i] = static_cast<unsigned char>(v >> (8 * i));
        }
    }
}

inline void writeInt16(unsigned char* p, std::int16_t v) {
    writeUint16(p, std::bit_cast<std::uint16_t>(v));
}

inline void writeInt32(unsigned char* p, std::int32_t v) {
    writeUint32(p, std::bit_cast<std::uint32_t>(v));
}

inline void writeFloat32(unsigned char* p, float v) {
    writeUint32(p, std::bit_cast<std::uint32_t>(v));
}

inline void writeFloat64(unsigned char* p, double v) {
    writeUint64(p, std::bit_cast<std::uint64_t>(v));
}

// Puts count singles that were read byte for byte from a file into the host's
// order, in place; nothing to do where the host's order is the file's.
inline void floatsFromLittleEndian(float* values, std::size_t count) {
    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t i = 0; i < count; ++i) {
            values[i] = readFloat32(reinterpret_cast<const unsigned char*>(values + i));
        }
    }
}

// Writes count singles as one block where the host's order is the file's; field
// by field they would cost more than the whole write of a file.
inline void writeFloat32s(unsigned char* p, const float* values, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        if (count != 0) {
            std::memcpy(p, values, 4 * count);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            writeFloat32(p + 4 * i, values[i]);
        }
    }
}

// Copies at most width bytes of text; the rest of the field stays as it is.
inline void writeText(unsigned char* p, const std::string& text, std::size_t width) {
    std::memcpy(p, text.data(), text.size() < width ? text.size() : width);
}

} // namespace scanmill::le
