// SPDX-License-Identifier: MIT
#pragma once

#include "file_error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace scanmill {

// The records the engine's parts share. FileError, which every failure is
// thrown as, comes with them.

// One Rigaku scan: the header fields the writers need and the intensity column.
struct ScanRecord {
    std::string dateText; // 12 bytes as read
    std::string timeText; // 8 bytes as read
    std::string title;    // trailing blanks (0x20) removed
    float startTwoTheta = 0;
    float stepSize = 0;
    std::int16_t pointCount = 0;
    std::array<std::uint8_t, 4> stepTime{}; // the 4 bytes as read, never converted
    std::vector<float> intensities;         // intensities[0] is point 1
};

// The data formats the engine writes. Xye, the three-column text of
// Rietveld programs, and Cif, a pdCIF block, are the command line's only.
enum class OutputFormat { TwoColumnAscii, BrukerRaw, Xye, Cif };

// How many intensities are NaN or infinite: points that every format passes
// on as no count, which a fit must not take for one.
inline std::size_t nonFinitePoints(const ScanRecord& scan) {
    return static_cast<std::size_t>(std::count_if(scan.intensities.begin(), scan.intensities.end(),
                                                  [](float x) { return !std::isfinite(x); }));
}

// The angle of point index + 1 (index steps from the start): the product
// rounded to single, then the sum rounded to single. The product is formed
// exactly in double (an index below 2^29 times a single needs at most 53
// bits) and rounded once by the conversion, so that it is never a
// single-precision product a compiler could fuse with the sum: no
// contraction, excess precision or reassociation can change a digit. An
// index below 2^24 converts to single as itself.
inline float twoThetaAt(const ScanRecord& scan, std::size_t index) {
    const double product = static_cast<double>(index) * static_cast<double>(scan.stepSize);
    return static_cast<float>(product) + scan.startTwoTheta;
}

} // namespace scanmill
