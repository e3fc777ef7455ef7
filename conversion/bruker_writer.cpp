#include "bruker_writer.h"

#include "little_endian.h"
#include "output_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

namespace scanmill {
namespace {

// The range header starts at 712 and is 304 bytes long; the points follow it.
constexpr std::size_t rangeHeaderOffset = 712;
constexpr std::size_t rangeHeaderLength = 304;
constexpr std::size_t dataOffset = rangeHeaderOffset + rangeHeaderLength;

// Wavelengths of a copper tube, angstrom.
constexpr double copperAlpha1 = 1.5406;
constexpr double copperAlpha2 = 1.54442;

constexpr std::array<std::string_view, 12> monthAbbreviations = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Characters [first, first + length) of text, or as many of them as it has.
std::string_view piece(std::string_view text, std::size_t first, std::size_t length) {
    return first < text.size() ? text.substr(first, length) : std::string_view();
}

// ASCII only: the user's locale must not change which months match.
char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string monthDigits(std::string_view abbreviation) {
    auto sameIgnoringCase = [abbreviation](std::string_view month) {
        return std::equal(month.begin(), month.end(), abbreviation.begin(), abbreviation.end(),
                          [](char a, char b) { return a == asciiUpper(b); });
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

void writeBrukerRaw(const ScanRecord& scan, const std::string& path) {
    const std::size_t points = scan.intensities.size();
    std::string file(dataOffset + 4 * points, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(file.data());

    // File header, by ascending offset.
    le::writeText(bytes + 0, "RAW1.01", 7);
    bytes[12] = 1; // number of ranges
    le::writeText(bytes + 16, toBrukerDate(scan.dateText), 8);
    le::writeText(bytes + 26, scan.timeText, 8);
    le::writeText(bytes + 326, scan.title, 40);
    bytes[548] = 20;
    le::writeInt16(bytes + 552, 9999);
    le::writeFloat32(bytes + 564, 185.0F); // goniometer radius, mm
    le::writeFloat64(bytes + 624, copperAlpha1);
    le::writeFloat64(bytes + 632, copperAlpha2);
    le::writeFloat64(bytes + 648, 0.514);
    le::writeFloat32(bytes + 700, 9999.0F);

    // Range header. The doubles are exact conversions of the scan's singles.
    le::writeInt16(bytes + rangeHeaderOffset, static_cast<std::int16_t>(rangeHeaderLength));
    le::writeInt16(bytes + 716, static_cast<std::int16_t>(points));
    le::writeFloat64(bytes + 720, static_cast<double>(scan.startTwoTheta) / 2); // theta
    le::writeFloat64(bytes + 728, static_cast<double>(scan.startTwoTheta));
    le::writeFloat64(bytes + 888, static_cast<double>(scan.stepSize));
    std::copy(scan.stepTime.begin(), scan.stepTime.end(), bytes + 904);
    le::writeFloat32(bytes + 924, -1.0F);
    le::writeFloat32(bytes + 928, -1.0F);
    le::writeFloat32(bytes + 932, -1.0F);
    le::writeFloat64(bytes + 952, copperAlpha1); // wavelength
    le::writeInt32(bytes + 964, 4);

    // The intensities as one block where the host's order is the file's; the
    // field-by-field form costs more than the whole write of the file.
    if constexpr (std::endian::native == std::endian::little) {
        if (points != 0) {
            std::memcpy(bytes + dataOffset, scan.intensities.data(), 4 * points);
        }
    } else {
        for (std::size_t i = 0; i < points; ++i) {
            le::writeFloat32(bytes + dataOffset + 4 * i, scan.intensities[i]);
        }
    }
    replaceFileContents(path, file);
}

} // namespace scanmill
