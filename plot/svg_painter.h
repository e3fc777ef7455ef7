// SPDX-License-Identifier: MIT
#pragma once

#include "output_writer.h"
#include "plot_layout.h"
#include "scan_record.h"

#include <string>
#include <string_view>

namespace scanmill {

// How a plot is written: its intensity scale, and its size in units, which
// are pixels at 96 dpi; the text keeps its size whatever the page's.
struct SvgOptions {
    IntensityScale scale = IntensityScale::Linear;
    PixelSize size{800, 500};
};

// The scan's plot as a standalone SVG 1.1 document of options.size units:
// header lines, frame, ticks and labels, the pattern, as the plot layout
// gives them; sourceName is the scan's file name, shown in the header. Text
// is UTF-8, escaped as every name and title a plot shows, so that any title
// gives valid XML. A 32,767-point scan without breaks in its line takes
// well under 150 KB. The second form puts it into bytes, whose storage is
// reused from file to file.
std::string formatSvg(const ScanRecord& scan, const std::string& sourceName,
                      const SvgOptions& options = {});
void formatSvg(const ScanRecord& scan, const std::string& sourceName, std::string& bytes,
               const SvgOptions& options = {});

// Appends text as XML and HTML text or attribute values take it: &, <, >
// and " escaped.
void appendXmlText(std::string& out, std::string_view text);

// The plot as a batch writes it: "svg", ".svg", "SVG plot".
OutputWriter svgWriter(const SvgOptions& options = {});

} // namespace scanmill
