// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <string>

// A scan's header fields as text, the same in the text outputs' comments and
// on the plot.
namespace scanmill {

// A number field without the blanks around it ("1.5", ".02", "-3").
std::string numberText(float x);

// The step time: its 4 bytes read as a little-endian single, in seconds
// ("1.5 s").
std::string stepTimeText(const ScanRecord& scan);

// The date, its trailing blanks left out, and the time: "14-FEB-05 10:32:07".
std::string dateTimeText(const ScanRecord& scan);

} // namespace scanmill
