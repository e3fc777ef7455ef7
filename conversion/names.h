// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
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

// What an output format is called: the command line's name for it, the
// ending of its files' names and its words in status lines.
struct FormatNames {
    std::string_view option;      // "ascii", as -f takes it
    std::string_view extension;   // ".dat", after the cut input name
    std::string_view description; // "2-column ASCII file"
};

// Output name for an input name: the part before its first (or last) "."
// (the whole name when it has none), then the format's extension; "a.b.raw"
// gives "a.dat" and "a_b.raw", or with KeepDots "a.b.dat" and "a.b_b.raw".
std::string outputNameFor(const std::string& inputName, std::string_view extension,
                          NameRule rule = NameRule::FirstDot);

// Why a Bruker RAW file among the scans is passed over, in the window's
// status line and the command line's note alike.
inline constexpr char skippedBrukerText[] = "skipped: a Bruker RAW file";

// "1 point", "2 points".
std::string pointsText(std::size_t count);

// A count with "," between groups of three digits, as messages print
// sizes: "12,204".
std::string groupedDigits(std::size_t count);

// The status line of one converted file: the input, the format's words, the
// output, as the caller names them ("scan01.raw     converted to 2-column
// ASCII file     scan01.dat"), then, where the scan has points that are not
// finite, how many ("  (1 point not finite)"), so that a pattern with holes
// is never passed on as a whole one.
std::string statusLine(const std::string& input, std::string_view formatWords,
                       const std::string& output, std::size_t nonFinitePoints = 0);

} // namespace scanmill
