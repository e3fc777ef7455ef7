#pragma once

#include "scan_record.h"

#include <string>

namespace scanmill {

// Output name for an input name: the part before its first "." (the whole
// name when it has none), then ".dat" for ASCII or "_b.raw" for Bruker;
// "a.b.raw" gives "a.dat" and "a_b.raw".
std::string outputNameFor(const std::string& inputName, OutputFormat format);

// The Convert command: converts the selected files in order into the output
// directory (filling it in from the input directory when empty) and logs one
// line per file. Two files that would be written to one output name are
// refused before anything is written. The first failure stops the batch and
// is thrown as FileError; files before it are complete and logged.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);

} // namespace scanmill
