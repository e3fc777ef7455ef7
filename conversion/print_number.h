// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

namespace scanmill {

// The number field of the two-column text: sign position ("-" or blank), the
// value rounded to 7 significant digits in its shortest form (".75", "250.5",
// "1.234568E+07", "1E-05"), then one blank; " NaN ", " Inf ", "-Inf " for the
// values that are not numbers. Negative zero is written " 0 ".
//
// Guarantee: the digits are those of printf("%.7G") in the C locale, the exact
// value rounded half to even, for every float (checked exhaustively by
// bench/print_number_exhaustive). The user's locale is never consulted.
//
// Speed: a full scan has 65534 fields, so the field dominates a text batch.
// Whole numbers below 10^7, as counts are, are written digit pairs at once.
// Every magnitude a scan holds (1e-5 up to 2^64) is rounded with one integer
// multiplication and shift, and the digits are placed with shifts and 8-byte
// stores rather than loops over digits; only the rare rest goes through
// std::to_chars.

// Longest field: sign, 7 digits, point, "E+38", blank.
inline constexpr std::size_t maxPrintNumberLength = 14;

// Writes the field of x into out and returns its length. Chars past that
// length may be overwritten too, up to maxPrintNumberLength.
std::size_t formatPrintNumber(float x, char* out);
std::string formatPrintNumber(float x);

// The shortest text that reads back as the same value ("0.02", "1e-05"),
// whatever the locale. At most 24 characters for a double, 15 for a float.
inline constexpr std::size_t maxShortestFloatLength = 15;
std::size_t formatShortest(float x, char* out);
std::string shortestText(double x);
std::string shortestText(float x);

} // namespace scanmill
