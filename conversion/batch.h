// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <string>

namespace scanmill {

// Where an output name cuts its input name: before the first "." (the
// window's rule), or before the last one, so that "Fe2O3_0.5mm.raw" keeps
// its "0.5mm".
enum class NameRule { FirstDot, KeepDots };

// Output name for an input name: the part before its first (or last) "."
// (the whole name when it has none), then ".dat" for ASCII, "_b.raw" for
// Bruker or ".xye"; "a.b.raw" gives "a.dat" and "a_b.raw", or with KeepDots
// "a.b.dat" and "a.b_b.raw".
std::string outputNameFor(const std::string& inputName, OutputFormat format,
                          NameRule rule = NameRule::FirstDot);

// What a format is called in status lines: "2-column ASCII file".
std::string formatDescription(OutputFormat format);

// The status line of one converted file: the input, the format's words, the
// output, as the caller names them ("scan01.raw     converted to 2-column
// ASCII file     scan01.dat").
std::string statusLine(const std::string& input, OutputFormat format, const std::string& output);

// The Convert command: converts the selected files in order into the output
// directory (filling it in from the input directory when empty) and logs one
// line per file, reading and formatting ahead on every core. Two files that
// would be written to one output file, and an output that would replace
// another selected file, are refused before anything is written. The first
// failure stops the batch and is thrown as FileError; files before it are
// complete and logged, files after it are not written.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);

} // namespace scanmill
