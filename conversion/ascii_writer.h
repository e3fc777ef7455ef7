#pragma once

#include "print_number.h"
#include "scan_record.h"

#include <string>

namespace scanmill {

// Writes the scan as two-column text (title, heading, one line per point),
// replacing any file at path only once the new one is complete.
void writeTwoColumnAscii(const ScanRecord& scan, const std::string& path);

} // namespace scanmill
