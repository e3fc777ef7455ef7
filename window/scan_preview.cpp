// SPDX-License-Identifier: MIT
#include "scan_preview.h"

namespace scanmill {

PlotLayout ScanPreview::layout(PixelSize frame) const {
    PlotLayout plot = layOutPlot(scan, sourceName, frame);
    if (changed) {
        plot.headerLines.emplace_back(changedSinceConversionText);
    }
    return plot;
}

} // namespace scanmill
