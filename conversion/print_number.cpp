// SPDX-License-Identifier: MIT
#include "print_number.h"

#include "little_endian.h"

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
// The seven digits of zero, packed as packDigits packs them.
constexpr std::uint64_t sevenZeros = 0x30303030303030;

// The 7 digit characters packed into the low 7 bytes of an integer, first
// digit lowest, so that the point goes in with shifts rather than loops.
std::uint64_t packDigits(const char* digits) {
    std::uint64_t packed = 0;
    for (int i = significantDigits - 1; i >= 0; --i) {
        packed = packed << 8 | static_cast<unsigned char>(digits[i]);
    }
    return packed;
}

// The packed digits, first digit first.
void storeEightBytes(std::uint64_t bytes, char* out) {
    le::writeUint64(reinterpret_cast<unsigned char*>(out), bytes);
}

// Writes 7 packed digits with decimal exponent (value = d.dddddd * 10^exponent)
// in exponent form, shortest mantissa: "1E+07", "1.234568E+07", "1E-05".
char* putExponentForm(std::uint64_t packed, int exponent, char* out) {
    char digits[8];
    storeEightBytes(packed, digits);
    int count = significantDigits;
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
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

// Writes the digits in fixed form for -4 <= exponent <= 6: "250.5", "10",
// ".0001". Always stores 8 chars (12 when below 1), however short the result,
// which saves branching on the length.
char* putFixedForm(std::uint64_t packed, int exponent, char* out) {
    const int lastNonZero = (63 - std::countl_zero(packed ^ sevenZeros)) / 8;
    if (exponent < 0) {
        const int leadingZeros = -exponent - 1;
        out[0] = '.';
        storeEightBytes(sevenZeros, out + 1);
        storeEightBytes(packed, out + 1 + leadingZeros);
        return out + 1 + leadingZeros + lastNonZero + 1;
    }
    const int integerDigits = exponent + 1;
    const std::uint64_t integerPart = (std::uint64_t{1} << (8 * integerDigits)) - 1;
    storeEightBytes((packed & integerPart) | std::uint64_t{'.'} << (8 * integerDigits) |
                        (packed & ~integerPart) << 8,
                    out);
    return out + (lastNonZero < integerDigits ? integerDigits : lastNonZero + 2);
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

// For k = -5..7, the bits of the smallest float not below 10^k. For floats
// that are not negative, comparing bits compares values.
constexpr std::array<std::uint32_t, 13> decadeStartBits = [] {
    constexpr std::array<double, 13> powers = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1,  1e1,
                                               1e2,  1e3,  1e4,  1e5,  1e6,  1e7};
    std::array<std::uint32_t, 13> bits{};
    for (std::size_t i = 0; i < powers.size(); ++i) {
        const auto nearest = static_cast<float>(powers[i]);
        bits[i] = std::bit_cast<std::uint32_t>(nearest) +
                  (static_cast<double>(nearest) < powers[i] ? 1 : 0);
    }
    return bits;
}();

constexpr std::uint32_t twoToThe23Bits = 150u << 23; // smallest float with no fraction bits

// "00", "01", ... "99" packed like packDigits does: two digits per lookup.
constexpr std::array<std::uint16_t, 100> digitPairs = [] {
    std::array<std::uint16_t, 100> pairs{};
    for (unsigned i = 0; i < 100; ++i) {
        pairs[i] = static_cast<std::uint16_t>(('0' + i / 10) | ('0' + i % 10) << 8);
    }
    return pairs;
}();

// Seven digits, packed, and the decimal exponent of the first.
struct SevenDigits {
    std::uint64_t packed;
    int exponent;
};

// 10^7, the first number with more digits than a field shows.
constexpr std::uint64_t sevenDigitLimit = 10'000'000;

// quotient + remainder/divisor rounded to the nearest integer, ties to even,
// as the exact value is rounded by printf.
std::uint64_t roundHalfEven(std::uint64_t quotient, std::uint64_t remainder,
                            std::uint64_t divisor) {
    // Without branches: which way a digit rounds is not predictable.
    const std::uint64_t twice = 2 * remainder;
    return quotient + (twice > divisor) + ((twice == divisor) & (quotient & 1));
}

// The 7 digits of value < 10^7, leading zeros included, packed.
std::uint64_t packSevenDigits(std::uint32_t value) {
    // Two independent halves keep the chain of divisions short.
    const std::uint32_t high = value / 10000;
    const std::uint32_t low = value % 10000;
    return ('0' + high / 100) | std::uint64_t{digitPairs[high % 100]} << 8 |
           std::uint64_t{digitPairs[low / 100]} << 24 | std::uint64_t{digitPairs[low % 100]} << 40;
}

// Packs the 7 digits of q (10^6 <= q <= 10^7, the latter after a rounding
// carry, which bumps the exponent).
SevenDigits putSevenDigits(std::uint64_t q, int exponent) {
    if (q == sevenDigitLimit) {
        q /= 10;
        ++exponent;
    }
    return {packSevenDigits(static_cast<std::uint32_t>(q)), exponent};
}

// Writes n < 10^7 in full: a whole number that small has at most 7 digits,
// so its field is the number itself, nothing to round. Stores 8 chars.
char* putWholeNumber(std::uint32_t n, char* out) {
    const std::uint64_t packed = packSevenDigits(n);
    // The leading zeros are the low bytes that are '0'; zero keeps one.
    const int leadingZeros =
        std::min(std::countr_zero(packed ^ sevenZeros) / 8, significantDigits - 1);
    storeEightBytes(packed >> (8 * leadingZeros), out);
    return out + (significantDigits - leadingZeros);
}

// Magnitudes far outside what scans hold, exactly rounded by the library.
SevenDigits roundRareMagnitude(float x) {
    // "d.dddddde+XX", exactly rounded.
    char scientific[32];
    const auto end = std::to_chars(scientific, scientific + sizeof scientific, x,
                                   std::chars_format::scientific, significantDigits - 1)
                         .ptr;
    char digits[significantDigits];
    digits[0] = scientific[0];
    std::memcpy(digits + 1, scientific + 2, significantDigits - 1);
    int exponent = 0;
    const char* exponentText = scientific + significantDigits + 2; // after "e"
    std::from_chars(exponentText + (*exponentText == '+' ? 1 : 0), end, exponent);
    return {packDigits(digits), exponent};
}

// Rounds the finite, non-negative float x with these bits exactly to 7
// significant digits, with the decimal exponent of the first
// (x ~ d.dddddd * 10^exponent). Integer
// arithmetic covers every magnitude a scan holds; the rest goes through
// std::to_chars.
SevenDigits roundToSevenDigits(std::uint32_t bits) {
    const std::uint32_t biased = bits >> 23;
    const std::uint64_t mantissa = (bits & 0x7FFFFF) | (biased != 0 ? 0x800000 : 0);
    const int binaryExponent = biased != 0 ? static_cast<int>(biased) - 150 : -149; // x = m * 2^e

    std::uint64_t rounded = 0; // the 7 digits as an integer
    int exponent = 0;
    if (bits >= decadeStartBits.front() && bits < twoToThe23Bits) {
        // Here 10^-5 <= x < 2^23. With 2^b <= x < 2^(b+1), floor(b * log10(2))
        // is the decimal exponent or one below it.
        const int binaryMagnitude = static_cast<int>(biased) - 127;
        exponent = (binaryMagnitude * 78913) >> 18;
        exponent += bits >= decadeStartBits[exponent + 6] ? 1 : 0;
        // x * 10^(6 - exponent) = m * 10^(6 - exponent) / 2^-e, and the product
        // stays below 2^64 since m < 2^24, 10^11 < 2^37 and -e <= 40.
        const std::uint64_t scaled = mantissa * powersOfTen[significantDigits - 1 - exponent];
        const int shift = -binaryExponent;
        const std::uint64_t divisor = std::uint64_t{1} << shift;
        rounded = roundHalfEven(scaled >> shift, scaled & (divisor - 1), divisor);
    } else if (binaryExponent >= 0 && binaryExponent <= 40) { // a whole number below 2^64
        const std::uint64_t n = mantissa << binaryExponent;
        while (exponent < 19 && n >= powersOfTen[exponent + 1]) {
            ++exponent;
        }
        if (exponent < significantDigits) {
            rounded = n * powersOfTen[significantDigits - 1 - exponent];
        } else {
            const std::uint64_t divisor = powersOfTen[exponent - (significantDigits - 1)];
            rounded = roundHalfEven(n / divisor, n % divisor, divisor);
        }
    } else if (bits == 0) {
        return {sevenZeros, 0};
    } else {
        return roundRareMagnitude(std::bit_cast<float>(bits));
    }
    return putSevenDigits(rounded, exponent);
}

} // namespace

std::size_t formatPrintNumber(float x, char* out) {
    constexpr std::uint32_t infinityBits = 0x7F800000;
    const std::uint32_t magnitude = std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFF;
    char* const begin = out;
    *out++ = x < 0 ? '-' : ' ';
    const float absolute = std::bit_cast<float>(magnitude);
    const auto whole =
        static_cast<std::uint32_t>(absolute < static_cast<float>(sevenDigitLimit) ? absolute : 0);
    if (magnitude >= infinityBits) {
        out = std::copy_n(magnitude > infinityBits ? "NaN" : "Inf", 3, out);
    } else if (static_cast<float>(whole) == absolute) { // counts, mostly
        out = putWholeNumber(whole, out);
    } else {
        const SevenDigits digits = roundToSevenDigits(magnitude);
        out = digits.exponent >= -4 && digits.exponent < significantDigits
                  ? putFixedForm(digits.packed, digits.exponent, out)
                  : putExponentForm(digits.packed, digits.exponent, out);
    }
    *out++ = ' ';
    return static_cast<std::size_t>(out - begin);
}

std::string formatPrintNumber(float x) {
    char field[maxPrintNumberLength];
    return std::string(field, formatPrintNumber(x, field));
}

std::size_t formatShortest(float x, char* out) {
    return static_cast<std::size_t>(std::to_chars(out, out + maxShortestFloatLength, x).ptr - out);
}

std::string shortestText(float x) {
    char digits[maxShortestFloatLength];
    return std::string(digits, formatShortest(x, digits));
}

std::string shortestText(double x) {
    char digits[24];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, x).ptr);
}

} // namespace scanmill
