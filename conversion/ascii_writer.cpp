#include "ascii_writer.h"

#include "output_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
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

// 10^0 .. 10^19, the powers a 64-bit integer holds.
constexpr std::array<std::uint64_t, 20> powersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) {
        powers[i] = powers[i - 1] * 10;
    }
    return powers;
}();

// 10^k for k = -5..6. No float lies between 10^k and its nearest double, so
// comparing a float against these is exact.
constexpr std::array<double, 12> decadeStarts = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1,
                                                 1e1,  1e2,  1e3,  1e4,  1e5,  1e6};

constexpr std::uint64_t sevenDigitLimit = 10'000'000;

// quotient + remainder/divisor rounded to the nearest integer, ties to even,
// as the exact value is rounded by printf.
std::uint64_t roundHalfEven(std::uint64_t quotient, std::uint64_t remainder,
                            std::uint64_t divisor) {
    const std::uint64_t twice = 2 * remainder;
    if (twice > divisor || (twice == divisor && (quotient & 1) != 0)) {
        ++quotient;
    }
    return quotient;
}

// Writes the 7 digits of q (10^6 <= q <= 10^7, the latter after a rounding
// carry) and returns the decimal exponent, bumped by such a carry.
int putSevenDigits(std::uint64_t q, int exponent, char* digits) {
    if (q == sevenDigitLimit) {
        q /= 10;
        ++exponent;
    }
    for (int i = significantDigits - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + q % 10);
        q /= 10;
    }
    return exponent;
}

// Rounds a finite, non-negative x to 7 significant digits exactly; returns the
// decimal exponent (x ~ d.dddddd * 10^exponent). Integer arithmetic covers
// every magnitude a scan holds; the rest goes through std::to_chars.
int roundToSevenDigits(float x, char* digits) {
    const auto bits = std::bit_cast<std::uint32_t>(x);
    const std::uint32_t biased = bits >> 23;
    const std::uint64_t mantissa = (bits & 0x7FFFFF) | (biased != 0 ? 0x800000 : 0);
    const int binaryExponent = biased != 0 ? static_cast<int>(biased) - 150 : -149; // x = m * 2^e

    if (x == 0) {
        std::fill_n(digits, significantDigits, '0');
        return 0;
    }
    if (binaryExponent >= 0 && binaryExponent <= 40) { // a whole number below 2^64
        const std::uint64_t n = mantissa << binaryExponent;
        int exponent = 0;
        while (exponent < 19 && n >= powersOfTen[exponent + 1]) {
            ++exponent;
        }
        if (exponent < significantDigits) {
            return putSevenDigits(n * powersOfTen[significantDigits - 1 - exponent], exponent,
                                  digits);
        }
        const std::uint64_t divisor = powersOfTen[exponent - (significantDigits - 1)];
        return putSevenDigits(roundHalfEven(n / divisor, n % divisor, divisor), exponent, digits);
    }
    if (binaryExponent < 0 && x >= decadeStarts.front()) {
        // Here 10^-5 <= x < 2^23; x * 10^(6 - exponent) = m * 10^(6 - exponent) / 2^-e
        // stays below 2^64 since m < 2^24, 10^11 < 2^37 and -e <= 40.
        int exponent = 6;
        while (x < decadeStarts[exponent + 5]) {
            --exponent;
        }
        const std::uint64_t scaled = mantissa * powersOfTen[significantDigits - 1 - exponent];
        const int shift = -binaryExponent;
        const std::uint64_t divisor = std::uint64_t{1} << shift;
        return putSevenDigits(roundHalfEven(scaled >> shift, scaled & (divisor - 1), divisor),
                              exponent, digits);
    }
    // "d.dddddde+XX", exactly rounded.
    char scientific[32];
    const auto end = std::to_chars(scientific, scientific + sizeof scientific, x,
                                   std::chars_format::scientific, significantDigits - 1)
                         .ptr;
    digits[0] = scientific[0];
    std::memcpy(digits + 1, scientific + 2, significantDigits - 1);
    int exponent = 0;
    const char* exponentText = scientific + significantDigits + 2; // after "e"
    std::from_chars(exponentText + (*exponentText == '+' ? 1 : 0), end, exponent);
    return exponent;
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
        char digits[significantDigits];
        const int exponent = roundToSevenDigits(std::fabs(x), digits);
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
