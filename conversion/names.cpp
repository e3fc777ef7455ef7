// SPDX-License-Identifier: MIT
#include "names.h"

#include <algorithm>

namespace scanmill {

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool hasScanExtension(std::string_view name) {
    constexpr std::string_view extension = ".raw";
    return name.size() >= extension.size() &&
           equalIgnoringAsciiCase(name.substr(name.size() - extension.size()), extension);
}

std::string outputNameFor(const std::string& inputName, OutputFormat format, NameRule rule) {
    const auto dot = rule == NameRule::FirstDot ? inputName.find('.') : inputName.rfind('.');
    const std::string base = inputName.substr(0, dot);
    switch (format) {
    case OutputFormat::TwoColumnAscii:
        return base + ".dat";
    case OutputFormat::BrukerRaw:
        return base + "_b.raw";
    case OutputFormat::Xye:
        return base + ".xye";
    case OutputFormat::Cif:
        return base + ".cif";
    case OutputFormat::Svg:
        return base + ".svg";
    }
    return base;
}

std::string formatDescription(OutputFormat format) {
    switch (format) {
    case OutputFormat::TwoColumnAscii:
        return "2-column ASCII file";
    case OutputFormat::BrukerRaw:
        return "Bruker-AXS Diffrac Plus file";
    case OutputFormat::Xye:
        return "xye file";
    case OutputFormat::Cif:
        return "pdCIF file";
    case OutputFormat::Svg:
        return "SVG plot";
    }
    return {};
}

std::string pointsText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " point" : " points");
}

std::string statusLine(const std::string& input, OutputFormat format, const std::string& output,
                       std::size_t nonFinitePoints) {
    std::string line = input + "     converted to " + formatDescription(format) + "     " + output;
    if (nonFinitePoints > 0) {
        line += "  (" + pointsText(nonFinitePoints) + " not finite)";
    }
    return line;
}

} // namespace scanmill
