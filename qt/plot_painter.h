// SPDX-License-Identifier: MIT
#pragma once

#include "plot_frame.h"

#include <QRect>

class QPainter;

namespace scanmill {

// What the painter's font and its bold measure on its device.
PlotFonts plotFonts(const QPainter& painter);

// Paints the placed plot into area, which it fills: the header lines above,
// the frame with its grid, ticks, labels and axis titles, the patterns, the
// gaps' marks and the read-out line. The patterns are laid out in device
// pixels (placePlot's devicePixels), so that they stay sharp on a high-DPI
// screen.
void paintPlot(QPainter& painter, const PlacedPlot& placed, const QRect& area);

} // namespace scanmill
