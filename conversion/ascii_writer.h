#pragma once

#include "scan_record.h"

#include <cstddef>
#include <string>

namespace scanmill {

// Longest field formatPrintNumber produces: sign, 7 digits, point, "E+38", blank.
inline constexpr std::size_t maxPrintNumberLength = 14;

// Writes x as a number field: sign position ("-" or blank), the value rounded
// to 7 significant digits in its shortest form (".75", "250.5", "1.234568E+07"),
// then one blank. Writes at most maxPrintNumberLength chars into out and
// returns how many; chars past that count may be overwritten too, up to
// maxPrintNumberLength. Independent of the locale.
std::size_t formatPrintNumber(float x, char* out);
std::string formatPrintNumber(float x);

// Writes the scan as two-column text (title, heading, one line per point),
// replacing any file at path only once the new one is complete.
void writeTwoColumnAscii(const ScanRecord& scan, const std::string& path);

} // namespace scanmill
