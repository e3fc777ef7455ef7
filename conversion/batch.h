// SPDX-License-Identifier: MIT
#pragma once

#include "names.h"
#include "scan_record.h"

#include <string>

namespace scanmill {

// The Convert command: converts the selected files in order into the output
// directory (filling it in from the input directory when empty) and logs one
// line per file, reading and formatting ahead on every core. Two files that
// would be written to one output file, and an output that would replace
// another selected file, are refused before anything is written. The first
// failure stops the batch and is thrown as FileError; files before it are
// complete and logged, files after it are not written.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);

} // namespace scanmill
