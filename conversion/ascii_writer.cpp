#include "ascii_writer.h"

#include "output_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace scanmill {
namespace {

constexpr int significantDigits = 7;
constexpr std::size_t printZone = 14;
constexpr char lineEnd[] = "\r\n";

// Shapes 7 rounded digits and their decimal exponent (value = d.dddddd * 10^exponent)
// into the shortest fixed or exponent form, without sign.
char* shapeDigits(const char* digits, int exponent, char* out) {
    int count = significantDigits;
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
    if (exponent >= significantDigits || exponent < -4) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            out = std::copy(digits + 1, digits + count, out);
        }
        *out++ = 'E';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude < 10) {
            *out++ = '0';
        }
        return std::to_chars(out, out + 3, magnitude).ptr;
    }
    if (exponent < 0) {
        *out++ = '.';
        out = std::fill_n(out, -exponent - 1, '0');
        return std::copy(digits, digits + count, out);
    }
    const int integerDigits = exponent + 1;
    for (int i = 0; i < integerDigits; ++i) {
        *out++ = i < count ? digits[i] : '0';
    }
    if (count > integerDigits) {
        *out++ = '.';
        out = std::copy(digits + integerDigits, digits + count, out);
    }
    return out;
}

} // namespace

std::size_t formatPrintNumber(float x, char* out) {
    char* const begin = out;
    *out++ = x < 0 ? '-' : ' ';
    if (std::isnan(x)) {
        out = std::copy_n("NaN", 3, out);
    } else if (std::isinf(x)) {
        out = std::copy_n("Inf", 3, out);
    } else {
        // "d.dddddde+XX": exactly rounded to 7 significant digits.
        char scientific[32];
        const auto end = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(x),
                                       std::chars_format::scientific, significantDigits - 1)
                             .ptr;
        char digits[significantDigits];
        digits[0] = scientific[0];
        std::memcpy(digits + 1, scientific + 2, significantDigits - 1);
        int exponent = 0;
        const char* exponentText = scientific + significantDigits + 2; // after "e"
        std::from_chars(exponentText + (*exponentText == '+' ? 1 : 0), end, exponent);
        out = shapeDigits(digits, exponent, out);
    }
    *out++ = ' ';
    return static_cast<std::size_t>(out - begin);
}

std::string formatPrintNumber(float x) {
    char field[maxPrintNumberLength];
    return std::string(field, formatPrintNumber(x, field));
}

void writeTwoColumnAscii(const ScanRecord& scan, const std::string& path) {
    const std::size_t points = scan.intensities.size();
    std::string text;
    text.reserve(scan.title.size() + 2 * printZone + points * (2 * printZone + 2));

    text.append(scan.title).append(lineEnd);
    const std::string_view angleHeading = "2theta";
    text.append(angleHeading).append(printZone - angleHeading.size(), ' ');
    text.append("Intensity").append(lineEnd);

    char line[2 * printZone + 2];
    for (std::size_t i = 0; i < points; ++i) {
        // Product and sum each rounded to single, as the instrument's angles are.
        const float offset = static_cast<float>(i) * scan.stepSize;
        const float angle = offset + scan.startTwoTheta;
        std::size_t length = formatPrintNumber(angle, line);
        std::memset(line + length, ' ', printZone - length);
        length = printZone + formatPrintNumber(scan.intensities[i], line + printZone);
        line[length++] = '\r';
        line[length++] = '\n';
        text.append(line, length);
    }
    replaceFileContents(path, text);
}

} // namespace scanmill
