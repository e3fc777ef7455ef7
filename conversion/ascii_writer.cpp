// SPDX-License-Identifier: MIT
#include "ascii_writer.h"

#include "field_text.h"
#include "names.h"
#include "output_file.h"
#include "shown_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#if defined(__FAST_MATH__)
#error "Angles and NaN fields must follow IEEE arithmetic: build without -ffast-math."
#endif

namespace scanmill {
namespace {

constexpr std::size_t printZone = 14;
constexpr char lineEnd[] = "\r\n";

// Appends "# " and text as one comment line that every GSAS-II reads as a
// comment of 2-theta data: printable ASCII (a control character would end
// the line, a byte beyond ASCII stops its reader), no lowercase "q" and not
// the word "wavelength", either of which its importers of 2021 to April 2025
// take for the mark of Q data. Their test is case-sensitive.
void appendComment(std::string& text, std::string_view comment) {
    std::string line = escapeControls(comment, OtherBytes::Escaped);
    constexpr std::string_view hidden = "wavelength";
    for (auto at = line.find(hidden); at != std::string::npos; at = line.find(hidden, at)) {
        line[at] = 'W';
    }
    std::replace(line.begin(), line.end(), 'q', 'Q');
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    text.append("# ").append(line) += '\n';
}

} // namespace

void formatTwoColumnAscii(const ScanRecord& scan, std::string& text) {
    const std::size_t points = scan.intensities.size();
    constexpr std::string_view angleHeading = "2theta";
    constexpr std::string_view intensityHeading = "Intensity";
    // Lines go straight into the text, which is cut to length afterwards. A
    // fixed run of blanks after the angle pads it to the print zone without a
    // call that depends on its length; the intensity then overwrites the rest.
    constexpr char blanks[] = "                "; // 16 blanks, more than a zone
    constexpr std::size_t longestLine = 2 * printZone + 2;
    const std::size_t longest = scan.title.size() + 2 + printZone + intensityHeading.size() + 2 +
                                points * longestLine + sizeof blanks;
    // Only grown: a text reused from scan to scan is not filled anew each time.
    if (text.size() < longest) {
        text.resize(longest);
    }
    char* out = text.data();
    // A line break in the title would add lines to the two of the heading.
    out = std::replace_copy_if(
        scan.title.begin(), scan.title.end(), out, [](char c) { return c == '\r' || c == '\n'; },
        ' ');
    out = std::copy_n(lineEnd, 2, out);
    out = std::copy(angleHeading.begin(), angleHeading.end(), out);
    out = std::fill_n(out, printZone - angleHeading.size(), ' ');
    out = std::copy(intensityHeading.begin(), intensityHeading.end(), out);
    out = std::copy_n(lineEnd, 2, out);
    for (std::size_t i = 0; i < points; ++i) {
        const float angle = twoThetaAt(scan, i);
        std::memcpy(out + formatPrintNumber(angle, out), blanks, sizeof blanks - 1);
        out += printZone;
        out += formatPrintNumber(scan.intensities[i], out);
        std::memcpy(out, lineEnd, 2);
        out += 2;
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

std::string formatTwoColumnAscii(const ScanRecord& scan) {
    std::string text;
    formatTwoColumnAscii(scan, text);
    return text;
}

void formatXye(const ScanRecord& scan, const std::string& sourceName, std::string& text,
               Anode anode) {
    text.clear();
    appendComment(text, scan.title);
    appendComment(text, dateTimeText(scan));
    appendComment(text, "step time " + stepTimeText(scan));
    appendComment(text, tubeText(anode));
    appendComment(text, "converted from " + sourceName);
    // A gap in x harms no reader; a NaN row stops some and skews others.
    if (const std::size_t left = nonFinitePoints(scan); left > 0) {
        appendComment(text, pointsText(left) + " not finite left out");
    }
    const std::size_t header = text.size();
    constexpr std::size_t longestLine = 3 * maxPrintNumberLength + 1;
    text.resize(header + scan.intensities.size() * longestLine);
    char* out = text.data() + header;
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        const float intensity = scan.intensities[i];
        if (!std::isfinite(intensity)) {
            continue;
        }
        const float sigma = std::sqrt(intensity < 1.0F ? 1.0F : intensity);
        out += formatPrintNumber(twoThetaAt(scan, i), out);
        out += formatPrintNumber(intensity, out);
        out += formatPrintNumber(sigma, out);
        *out++ = '\n';
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

std::string formatXye(const ScanRecord& scan, const std::string& sourceName, Anode anode) {
    std::string text;
    formatXye(scan, sourceName, text, anode);
    return text;
}

void writeTwoColumnAscii(const ScanRecord& scan, const std::string& path) {
    replaceFileContents(path, formatTwoColumnAscii(scan));
}

} // namespace scanmill
