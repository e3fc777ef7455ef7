// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "scan_record.h"

#include <string>

namespace scanmill {

// Turns a Rigaku date such as "14-FEB-05" into Bruker's "02/14/05". A month
// abbreviation that is none of the twelve (case ignored) gives an empty month.
std::string toBrukerDate(const std::string& dateText);

// The bytes of a Bruker-AXS Diffrac Plus RAW1.01 file of one range holding
// the scan, measured with a tube of that anode. The second form puts them
// into file, whose storage is reused from file to file.
std::string formatBrukerRaw(const ScanRecord& scan, Anode anode = Anode::Cu);
void formatBrukerRaw(const ScanRecord& scan, std::string& file, Anode anode = Anode::Cu);

// Writes formatBrukerRaw(scan) to path, replacing any file there only once
// the new one is complete.
void writeBrukerRaw(const ScanRecord& scan, const std::string& path);

} // namespace scanmill
