#pragma once

#include "scan_record.h"

#include <string>

namespace scanmill {

// Turns a Rigaku date such as "14-FEB-05" into Bruker's "02/14/05". A month
// abbreviation that is none of the twelve (case ignored) gives an empty month.
std::string toBrukerDate(const std::string& dateText);

// The bytes of a Bruker-AXS Diffrac Plus RAW1.01 file of one range holding the scan.
std::string formatBrukerRaw(const ScanRecord& scan);

// Writes formatBrukerRaw(scan) to path, replacing any file there only once
// the new one is complete.
void writeBrukerRaw(const ScanRecord& scan, const std::string& path);

} // namespace scanmill
