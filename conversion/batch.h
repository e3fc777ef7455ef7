// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <string>

namespace scanmill {

// Output name for an input name: the part before its first "." (the whole
// name when it has none), then ".dat" for ASCII or "_b.raw" for Bruker;
// "a.b.raw" gives "a.dat" and "a_b.raw".
std::string outputNameFor(const std::string& inputName, OutputFormat format);

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
