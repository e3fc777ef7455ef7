// SPDX-License-Identifier: MIT
#pragma once

#include "scan_preview.h"

#include <QRect>

class QPainter;

namespace scanmill {

// Paints the scan's plot into area, as the plot layout gives it: the header
// lines above, the frame with its grid, ticks, labels and axis titles, and
// the pattern. ratio is the device's pixels to the painter's: the pattern is
// laid out in device pixels, so that it stays sharp on a high-DPI screen.
void paintPlot(QPainter& painter, const ScanPreview& preview, const QRect& area, qreal ratio);

} // namespace scanmill
