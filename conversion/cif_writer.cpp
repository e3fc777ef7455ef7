// SPDX-License-Identifier: MIT
#include "cif_writer.h"

#include "field_text.h"
#include "file_error.h"
#include "names.h"
#include "platform.h"
#include "print_number.h"
#include "shown_text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <string_view>

namespace scanmill {
namespace {

// CIF 1.0 readers take lines of up to 80 characters.
constexpr std::size_t longestLine = 80;
constexpr std::size_t longestBlockName = longestLine - 5; // after "data_"

double readBack(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string blockName(const std::string& outputPath) {
    // Byte by byte: a name that is not UTF-8 stays as many characters.
    std::string name = outputPath.substr(outputPath.find_last_of(pathSeparators) + 1);
    name.erase(std::min(name.rfind('.'), name.size()));
    for (char& c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
        if (!allowed) {
            c = '_';
        }
    }
    return name.empty() ? "_" : name.substr(0, longestBlockName);
}

void appendComment(std::string& text, std::string_view comment) {
    std::string line = "# " + escapeControls(comment, OtherBytes::Escaped);
    while (line.back() == ' ') {
        line.pop_back();
    }
    if (line.size() > longestLine) {
        line.resize(longestLine - 3);
        line += "...";
    }
    text.append(line) += '\n';
}

void appendItem(std::string& text, std::string_view name, const std::string& value) {
    constexpr std::size_t valueColumn = 32;
    text.append(name).append(valueColumn - name.size(), ' ').append(value) += '\n';
}

} // namespace

std::optional<PdCifRange> pdCifRange(float start, float step, std::size_t points) {
    if (points < 2 || !(step > 0)) {
        return std::nullopt;
    }
    PdCifRange range{shortestText(start), {}, shortestText(step)};
    const double min = readBack(range.min);
    const double inc = readBack(range.inc);
    // One rounding, as a fused multiply-add, which no compiler may split or
    // fuse otherwise: the same text on every build.
    range.max = shortestText(std::fma(static_cast<double>(points - 1), inc, min));
    // What GSAS-II makes of it.
    const auto counted = 1 + static_cast<long long>(0.5 + (readBack(range.max) - min) / inc);
    if (counted != static_cast<long long>(points)) {
        return std::nullopt;
    }
    return range;
}

PdCifRange checkPdCifRange(const ScanRecord& scan, std::size_t points,
                           const std::string& inputPath) {
    if (std::optional<PdCifRange> range = pdCifRange(scan.startTwoTheta, scan.stepSize, points)) {
        return *std::move(range);
    }
    const std::string why = points < 2 ? pointsText(points) + ", where a range needs at least 2"
                            : !(scan.stepSize > 0)
                                ? "step angle " + numberText(scan.stepSize) + " is not positive"
                                : "step angle " + numberText(scan.stepSize) +
                                      " is lost in start angle " + numberText(scan.startTwoTheta);
    throw FileError(EINVAL, inputPath + ": cannot be written as pdCIF: " + why);
}

void formatPdCif(const ScanRecord& scan, const std::string& inputPath,
                 const std::string& outputPath, std::string& text, Anode anode) {
    const std::size_t points = scan.intensities.size();
    const PdCifRange range = checkPdCifRange(scan, points, inputPath);
    text.clear();
    text.append("data_").append(blockName(outputPath)) += '\n';
    appendComment(text, scan.title);
    appendComment(text, dateTimeText(scan) + ", step time " + stepTimeText(scan) + ", " +
                            tubeText(anode));
    appendItem(text, "_diffrn_radiation_wavelength", shortestText(wavelengthsOf(anode).alpha1));
    appendItem(text, "_pd_meas_number_of_points", std::to_string(points));
    appendItem(text, "_pd_meas_2theta_range_min", range.min);
    appendItem(text, "_pd_meas_2theta_range_max", range.max);
    appendItem(text, "_pd_meas_2theta_range_inc", range.inc);
    // One loop, last: MAUD reads no further than the first, and a second
    // column would make GSAS-II ask which to take.
    text += "loop_\n_pd_meas_counts_total\n";

    const std::size_t header = text.size();
    text.resize(header + points * (maxShortestFloatLength + 1));
    char* const begin = text.data() + header;
    char* out = begin;
    char* lineStart = out;
    for (const float count : scan.intensities) {
        char value[maxShortestFloatLength];
        std::size_t length = 1;
        if (std::isfinite(count)) {
            length = formatShortest(count, value);
        } else {
            value[0] = '?'; // CIF's unknown value
        }
        if (out != lineStart) {
            if (static_cast<std::size_t>(out - lineStart) + 1 + length > longestLine) {
                *out++ = '\n';
                lineStart = out;
            } else {
                *out++ = ' ';
            }
        }
        out = std::copy_n(value, length, out);
    }
    *out++ = '\n';
    text.resize(header + static_cast<std::size_t>(out - begin));
}

std::string formatPdCif(const ScanRecord& scan, const std::string& inputPath,
                        const std::string& outputPath, Anode anode) {
    std::string text;
    formatPdCif(scan, inputPath, outputPath, text, anode);
    return text;
}

} // namespace scanmill
