// SPDX-License-Identifier: MIT
#pragma once

#include "output_writer.h"
#include "plot_layout.h"
#include "scan_record.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanmill {

// How a plot is written: its intensity scale, its size in units, which are
// pixels at 96 dpi (the text keeps its size whatever the page's), and the
// tube the scans were measured with, when known.
struct SvgOptions {
    IntensityScale scale = IntensityScale::Linear;
    PixelSize size{800, 500};
    std::optional<Anode> tube;
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

// The plot of several scans, or of one, in a view as a window shows it, its
// header followed by notes, on a page of size units.
std::string formatSvg(const std::vector<PlotScan>& scans, const std::vector<std::string>& notes,
                      const PlotView& view, PixelSize size);

// Appends text as XML and HTML text or attribute values take it: &, <, >
// and " escaped.
void appendXmlText(std::string& out, std::string_view text);

// The plot as a batch writes it: "svg", ".svg", "SVG plot".
OutputWriter svgWriter(const SvgOptions& options = {});

} // namespace scanmill
