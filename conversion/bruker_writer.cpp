// SPDX-License-Identifier: MIT
#include "bruker_writer.h"

#include "little_endian.h"
#include "names.h"
#include "output_file.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace scanmill {
namespace {

// Offsets of the fields written to a RAW1.01 file of one range, in file
// order. Every other byte is zero.
constexpr std::size_t identifierOffset = 0;  // 7 characters, "RAW1.01"
constexpr std::size_t rangeCountOffset = 12; // 32-bit
constexpr std::size_t dateOffset = 16;       // 8 characters, mm/dd/yy
constexpr std::size_t timeOffset = 26;       // 8 characters
constexpr std::size_t titleOffset = 326;     // up to 40 characters, no terminator
constexpr std::size_t titleLength = 40;
constexpr std::size_t marker548Offset = 548;   // 8-bit, 20
constexpr std::size_t marker552Offset = 552;   // 16-bit, 9999
constexpr std::size_t radiusOffset = 564;      // single, goniometer radius in mm
constexpr std::size_t anodeOffset = 608;       // 4 characters, the anode's symbol
constexpr std::size_t alpha1Offset = 624;      // double, angstrom
constexpr std::size_t alpha2Offset = 632;      // double, angstrom
constexpr std::size_t constant648Offset = 648; // double, 0.514
constexpr std::size_t marker700Offset = 700;   // single, 9999
constexpr std::size_t rangeHeaderOffset = 712; // 16-bit length of the range header
constexpr std::size_t rangeHeaderLength = 304;
constexpr std::size_t pointCountOffset = 716;    // 16-bit
constexpr std::size_t startThetaOffset = 720;    // double, degrees
constexpr std::size_t startTwoThetaOffset = 728; // double, degrees
constexpr std::size_t stepSizeOffset = 888;      // double, degrees
constexpr std::size_t stepTimeOffset = 904;      // single, the scan's 4 bytes
constexpr std::size_t unset924Offset = 924;      // three singles, -1
constexpr std::size_t wavelengthOffset = 952;    // double, angstrom
constexpr std::size_t marker964Offset = 964;     // 32-bit, 4
constexpr std::size_t dataOffset = rangeHeaderOffset + rangeHeaderLength; // singles

constexpr std::array<std::string_view, 12> monthAbbreviations = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Characters [first, first + length) of text, or as many of them as it has.
std::string_view piece(std::string_view text, std::size_t first, std::size_t length) {
    return first < text.size() ? text.substr(first, length) : std::string_view();
}

std::string monthDigits(std::string_view abbreviation) {
    auto sameIgnoringCase = [abbreviation](std::string_view month) {
        return equalIgnoringAsciiCase(month, abbreviation);
    };
    const auto found =
        std::find_if(monthAbbreviations.begin(), monthAbbreviations.end(), sameIgnoringCase);
    if (found == monthAbbreviations.end()) {
        return {};
    }
    const auto number = found - monthAbbreviations.begin() + 1;
    return {static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10)};
}

} // namespace

std::string toBrukerDate(const std::string& dateText) {
    const std::string_view date = dateText;
    std::string result = monthDigits(piece(date, 3, 3));
    result.append("/").append(piece(date, 0, 2)).append("/").append(piece(date, 7, 2));
    return result;
}

void formatBrukerRaw(const ScanRecord& scan, std::string& file, Anode anode) {
    const std::size_t points = scan.intensities.size();
    const Wavelengths wavelengths = wavelengthsOf(anode);
    file.assign(dataOffset + 4 * points, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(file.data());

    le::writeText(bytes + identifierOffset, "RAW1.01", 7);
    le::writeInt32(bytes + rangeCountOffset, 1);
    le::writeText(bytes + dateOffset, toBrukerDate(scan.dateText), 8);
    le::writeText(bytes + timeOffset, scan.timeText, 8);
    le::writeText(bytes + titleOffset, scan.title, titleLength);
    bytes[marker548Offset] = 20;
    le::writeInt16(bytes + marker552Offset, 9999);
    le::writeFloat32(bytes + radiusOffset, 185.0F);
    // Readers show it ("Anode=Co"); a copper tube keeps the bytes it always had.
    if (anode != Anode::Cu) {
        le::writeText(bytes + anodeOffset, std::string(anodeName(anode)), 4);
    }
    le::writeFloat64(bytes + alpha1Offset, wavelengths.alpha1);
    le::writeFloat64(bytes + alpha2Offset, wavelengths.alpha2);
    le::writeFloat64(bytes + constant648Offset, 0.514);
    le::writeFloat32(bytes + marker700Offset, 9999.0F);

    // The range header. Its 16-bit fields keep the two bytes after them zero,
    // so they read as 32-bit values too; the doubles are exact conversions of
    // the scan's singles.
    le::writeInt16(bytes + rangeHeaderOffset, static_cast<std::int16_t>(rangeHeaderLength));
    le::writeInt16(bytes + pointCountOffset, static_cast<std::int16_t>(points));
    le::writeFloat64(bytes + startThetaOffset, static_cast<double>(scan.startTwoTheta) / 2);
    le::writeFloat64(bytes + startTwoThetaOffset, static_cast<double>(scan.startTwoTheta));
    le::writeFloat64(bytes + stepSizeOffset, static_cast<double>(scan.stepSize));
    std::copy(scan.stepTime.begin(), scan.stepTime.end(), bytes + stepTimeOffset);
    for (std::size_t i = 0; i < 3; ++i) {
        le::writeFloat32(bytes + unset924Offset + 4 * i, -1.0F);
    }
    le::writeFloat64(bytes + wavelengthOffset, wavelengths.alpha1);
    le::writeInt32(bytes + marker964Offset, 4);

    le::writeFloat32s(bytes + dataOffset, scan.intensities.data(), points);
}

std::string formatBrukerRaw(const ScanRecord& scan, Anode anode) {
    std::string file;
    formatBrukerRaw(scan, file, anode);
    return file;
}

void writeBrukerRaw(const ScanRecord& scan, const std::string& path) {
    replaceFileContents(path, formatBrukerRaw(scan));
}

} // namespace scanmill
