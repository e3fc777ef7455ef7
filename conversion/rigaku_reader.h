#pragma once

#include "scan_record.h"

#include <string>

namespace scanmill {

// Reads the header fields and intensities of a Rigaku D/Max-B raw scan.
// Throws FileError when the file cannot be read, begins as a Bruker RAW file
// does, announces a negative point count, or ends before its last point.
ScanRecord readRigakuRaw(const std::string& path);

} // namespace scanmill
