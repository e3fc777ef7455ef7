// SPDX-License-Identifier: MIT
#pragma once

#include "plot_frame.h"

#include <windows.h>

namespace scanmill::win32 {

// The system's message font at a DPI, selected into dc while this lives,
// and what it measures there, for placing a plot.
class PlotFont {
public:
    PlotFont(HDC dc, UINT dpi);
    ~PlotFont();
    PlotFont(const PlotFont&) = delete;
    PlotFont& operator=(const PlotFont&) = delete;

    const PlotFonts& fonts() const { return fonts_; }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_;
    PlotFonts fonts_;
};

// Paints the placed plot into area of dc, which it fills, with PlotFont
// selected: the header lines above, the frame with its grid, ticks, labels
// and axis titles, the patterns, the gaps' marks and the read-out line.
// Everything is in device pixels of a monitor of dpi, the patterns laid out
// for them, so that they stay sharp at any DPI.
void paintPlot(HDC dc, const PlacedPlot& placed, const RECT& area, UINT dpi);

} // namespace scanmill::win32
