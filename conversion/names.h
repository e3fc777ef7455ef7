// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <string>
#include <string_view>

namespace scanmill {

// ASCII only: the user's locale must not change which names or months match.
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);

// Whether a name ends in ".raw", in any case: how scans are told from other
// files in a directory or among paths handed over.
bool hasScanExtension(std::string_view name);

// Where an output name cuts its input name: before the first "." (the
// default), or before the last one, so that "Fe2O3_0.5mm.raw" keeps
// its "0.5mm".
enum class NameRule { FirstDot, KeepDots };

// Output name for an input name: the part before its first (or last) "."
// (the whole name when it has none), then ".dat" for ASCII, "_b.raw" for
// Bruker, ".xye", ".cif" or ".svg"; "a.b.raw" gives "a.dat" and "a_b.raw", or with KeepDots
// "a.b.dat" and "a.b_b.raw".
std::string outputNameFor(const std::string& inputName, OutputFormat format,
                          NameRule rule = NameRule::FirstDot);

// What a format is called in status lines: "2-column ASCII file".
std::string formatDescription(OutputFormat format);

// "1 point", "2 points".
std::string pointsText(std::size_t count);

// The status line of one converted file: the input, the format's words, the
// output, as the caller names them ("scan01.raw     converted to 2-column
// ASCII file     scan01.dat"), then, where the scan has points that are not
// finite, how many ("  (1 point not finite)"), so that a pattern with holes
// is never passed on as a whole one.
std::string statusLine(const std::string& input, OutputFormat format, const std::string& output,
                       std::size_t nonFinitePoints = 0);

} // namespace scanmill
