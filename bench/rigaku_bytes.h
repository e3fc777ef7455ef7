#pragma once

#include "scan_record.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace scanmill {

// The bytes of a Rigaku D/Max-B raw file holding the scan, as the instrument
// lays them out: header fields at their offsets, intensities from offset 200.
// Text fields longer than their slot are cut; shorter ones are blank-padded.
inline std::string rigakuBytes(const ScanRecord& scan) {
    const std::size_t points = scan.intensities.size();
    std::string bytes(200 + 4 * points, '\0');
    auto putText = [&](std::size_t offset, std::size_t width, const std::string& text) {
        std::string field = text.substr(0, width);
        field.resize(width, ' ');
        bytes.replace(offset, width, field);
    };
    auto putUint32 = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<char>(value >> (8 * i));
    };
    putText(4, 12, scan.dateText);
    putText(16, 8, scan.timeText);
    putText(24, 40, scan.title);
    putUint32(136, std::bit_cast<std::uint32_t>(scan.startTwoTheta));
    putUint32(140, std::bit_cast<std::uint32_t>(scan.stepSize));
    const auto count = static_cast<std::uint16_t>(scan.pointCount);
    bytes[144] = static_cast<char>(count & 0xff);
    bytes[145] = static_cast<char>(count >> 8);
    std::memcpy(bytes.data() + 148, scan.stepTime.data(), 4);
    for (std::size_t i = 0; i < points; ++i)
        putUint32(200 + 4 * i, std::bit_cast<std::uint32_t>(scan.intensities[i]));
    return bytes;
}

// How the intensities of a made-up scan look.
enum class Intensities {
    Sample, // a smooth background with one peak, in quarter counts
    Counts, // whole counts, as the instrument records them
    Random, // any float from 0 to 10^6, mostly needing all 7 digits
};

// A plausible full scan: start 5, step 0.01, a smooth background with one peak.
inline ScanRecord sampleScan(std::int16_t points, std::string title = "quartz standard",
                             Intensities kind = Intensities::Sample) {
    ScanRecord scan;
    scan.dateText = "14-FEB-05";
    scan.timeText = "13:45:07";
    scan.title = std::move(title);
    scan.startTwoTheta = 5;
    scan.stepSize = 0.01f;
    scan.pointCount = points;
    scan.stepTime = {0x00, 0x00, 0x80, 0x3f};
    scan.intensities.resize(static_cast<std::size_t>(std::max<std::int16_t>(points, 0)));
    std::mt19937 random(points);
    std::uniform_real_distribution<float> anyIntensity(0.0f, 1e6f);
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        const float x = static_cast<float>(i) * 0.01f - 100.0f;
        const float smooth = 120.0f + 15000.0f / (1.0f + x * x);
        switch (kind) {
        case Intensities::Sample:
            scan.intensities[i] = smooth + static_cast<float>(i % 7) * 0.25f;
            break;
        case Intensities::Counts:
            scan.intensities[i] = std::round(smooth) + static_cast<float>(i % 7);
            break;
        case Intensities::Random:
            scan.intensities[i] = anyIntensity(random);
            break;
        }
    }
    return scan;
}

} // namespace scanmill
