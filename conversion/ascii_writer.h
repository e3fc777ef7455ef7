// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
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

// The scan as .xye text, which Rietveld programs read directly: "#" lines
// with the title, the date and time, the step time, the anode's two
// wavelengths and sourceName (control characters in them as blanks), then
// one line per point: angle, intensity and its standard uncertainty
// sqrt(max(I, 1)), as number fields of the two-column text, with LF line
// ends. The uncertainty is never 0, which would give a point infinite weight.
std::string formatXye(const ScanRecord& scan, const std::string& sourceName,
                      Anode anode = Anode::Cu);
void formatXye(const ScanRecord& scan, const std::string& sourceName, std::string& text,
               Anode anode = Anode::Cu);

} // namespace scanmill
