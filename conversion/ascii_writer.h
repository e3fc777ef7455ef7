// SPDX-License-Identifier: MIT
#pragma once

#include "print_number.h"
#include "scan_record.h"

#include <string>

namespace scanmill {

// The scan as two-column text: title, heading, one line per point. The
// second form puts it into text, whose storage is reused from file to file.
std::string formatTwoColumnAscii(const ScanRecord& scan);
void formatTwoColumnAscii(const ScanRecord& scan, std::string& text);

// Writes formatTwoColumnAscii(scan) to path, replacing any file there only
// once the new one is complete.
void writeTwoColumnAscii(const ScanRecord& scan, const std::string& path);

} // namespace scanmill
