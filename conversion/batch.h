#pragma once

#include "scan_record.h"

#include <string>

namespace scanmill {

// Output name for an input name: up to its first "." then "dat" for ASCII,
// up to (not including) its first "." then "_b.raw" for Bruker.
std::string outputNameFor(const std::string& inputName, OutputFormat format);

// The Convert command: converts the selected files in order into the output
// directory (filling it in from the input directory when empty) and logs one
// line per file. The first failure stops the batch and is thrown as FileError;
// files before it are complete and logged.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);

} // namespace scanmill
