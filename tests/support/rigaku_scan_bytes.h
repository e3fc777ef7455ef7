// SPDX-License-Identifier: MIT
#pragma once

// Rigaku D/Max-B raw files built byte by byte, for the tests, the benchmarks
// and the fuzz seeds. The layout is written out here on its own rather than
// taken from the reader, so that a wrong offset in either one shows.

#include "little_endian.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scanmill::testing {

// The fields of a Rigaku raw file that the program reads, in file order; the
// defaults make a short ordinary scan.
struct RigakuFields {
    std::string date = "14-FEB-05   ";     // offset 4, 12 characters
    std::string time = "10:32:07";         // offset 16, 8 characters
    std::string title = "Quartz standard"; // offset 24, 40 characters
    float start = 10.0F;                   // offset 136
    float step = 0.02F;                    // offset 140
    std::optional<std::int16_t> count;     // offset 144; default: the number of intensities
    std::uint32_t stepTimeBits = std::bit_cast<std::uint32_t>(1.5F); // offset 148
    std::vector<float> intensities = {100.0F, 250.5F, 0.75F};        // offset 200 on
};

// The 200-byte header, then the intensities. Text fields are cut or padded
// with blanks to their width; the header bytes the program skips are 0xEE, so
// that a reader taking the wrong bytes is caught.
inline std::string rigakuBytes(const RigakuFields& fields) {
    std::string bytes(200 + 4 * fields.intensities.size(), '\xEE');
    auto at = [&](std::size_t offset) {
        return reinterpret_cast<unsigned char*>(bytes.data() + offset);
    };
    auto putText = [&](std::size_t offset, const std::string& text, std::size_t width) {
        bytes.replace(offset, width, width, ' ');
        le::writeText(at(offset), text, width);
    };
    putText(4, fields.date, 12);
    putText(16, fields.time, 8);
    putText(24, fields.title, 40);
    le::writeFloat32(at(136), fields.start);
    le::writeFloat32(at(140), fields.step);
    le::writeInt16(at(144),
                   fields.count.value_or(static_cast<std::int16_t>(fields.intensities.size())));
    le::writeUint32(at(148), fields.stepTimeBits);
    for (std::size_t i = 0; i < fields.intensities.size(); ++i) {
        le::writeFloat32(at(200 + 4 * i), fields.intensities[i]);
    }
    return bytes;
}

// A scan as an instrument might measure it: start 5, step 0.01, a smooth
// background with one peak.
inline RigakuFields plausibleScan(std::int16_t points) {
    RigakuFields fields;
    fields.start = 5.0F;
    fields.step = 0.01F;
    fields.stepTimeBits = std::bit_cast<std::uint32_t>(1.0F);
    fields.intensities.resize(static_cast<std::size_t>(points < 0 ? 0 : points));
    for (std::size_t i = 0; i < fields.intensities.size(); ++i) {
        const float x = static_cast<float>(i) * 0.01F - 100.0F;
        fields.intensities[i] =
            120.0F + 15000.0F / (1.0F + x * x) + static_cast<float>(i % 7) * 0.25F;
    }
    return fields;
}

} // namespace scanmill::testing
