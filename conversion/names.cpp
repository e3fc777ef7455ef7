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

std::string outputNameFor(const std::string& inputName, std::string_view extension, NameRule rule) {
    const auto dot = rule == NameRule::FirstDot ? inputName.find('.') : inputName.rfind('.');
    return inputName.substr(0, dot).append(extension);
}

std::string groupedDigits(std::size_t count) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

std::string pointsText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " point" : " points");
}

std::string statusLine(const std::string& input, std::string_view formatWords,
                       const std::string& output, std::size_t nonFinitePoints) {
    std::string line = input + "     converted to ";
    line.append(formatWords).append("     ").append(output);
    if (nonFinitePoints > 0) {
        line += "  (" + pointsText(nonFinitePoints) + " not finite)";
    }
    return line;
}

} // namespace scanmill
