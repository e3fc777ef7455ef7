// SPDX-License-Identifier: MIT
#pragma once

#include "output_writer.h"
#include "scan_record.h"

#include <string>
#include <string_view>

namespace scanmill {

// The scan's plot as a standalone SVG 1.1 document of 800 x 500 units:
// header lines, frame, ticks and labels, the pattern, as the plot layout
// gives them; sourceName is the scan's file name, shown in the header. Text
// is UTF-8, escaped as every name and title a plot shows, so that any title
// gives valid XML. A 32,767-point scan without breaks in its line takes
// well under 150 KB. The second form puts it into bytes, whose storage is
// reused from file to file.
std::string formatSvg(const ScanRecord& scan, const std::string& sourceName);
void formatSvg(const ScanRecord& scan, const std::string& sourceName, std::string& bytes);

// Appends text as XML and HTML text or attribute values take it: &, <, >
// and " escaped.
void appendXmlText(std::string& out, std::string_view text);

// The plot as a batch writes it: "svg", ".svg", "SVG plot".
OutputWriter svgWriter();

} // namespace scanmill
