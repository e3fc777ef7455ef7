// SPDX-License-Identifier: MIT
#include "plot_frame.h"

#include <algorithm>
#include <cmath>

namespace scanmill {

PlacedPlot placePlot(const std::vector<PlotScan>& scans, const std::vector<std::string>& notes,
                     PlotRect area, const PlotFonts& fonts, const PlotPlacing& placing) {
    const double scale = placing.scale;
    const double devicePixels = placing.devicePixels;
    const PlotView& view = placing.view;
    PlacedPlot placed;
    const double margin = fonts.lineHeight;
    const double line = fonts.lineHeight;
    const double tick = plotStyle.tickLength * scale;
    const double gap = plotStyle.labelGap * scale;
    const double ratio = scale * devicePixels; // device pixels per pixel at 100 %
    const auto devicePixelsOf = [&](double units) {
        return std::max(1, static_cast<int>(std::lround(units * devicePixels)));
    };

    std::vector<std::string> header = plotHeaderLines(scans, view.scale);
    header.insert(header.end(), notes.begin(), notes.end());
    placed.headerLeft = area.left + margin;
    placed.legendTextLeft =
        placed.headerLeft + (plotStyle.swatchWidth + plotStyle.labelGap * 2) * scale;
    double headerTop = area.top + margin;
    for (std::size_t i = 0; i < header.size(); ++i) {
        placed.headerTops.push_back(headerTop);
        headerTop += i == 0 ? fonts.titleLineHeight : line;
    }

    // The frame's height decides the intensity ticks, so their labels, and
    // so the room they need at its left.
    const double top = headerTop + margin * 0.75;
    const double bottom = area.top + area.height - margin - (placing.readout ? 3 : 2) * line - tick;
    const double height = std::max(1.0, std::floor(bottom - top));
    double labelWidth = 0;
    for (const Tick& each : intensityTicksOf(scans, devicePixelsOf(height), ratio, view)) {
        labelWidth = std::max(labelWidth, fonts.width(each.label));
    }
    placed.intensityTitleLeft = area.left + margin;
    placed.intensityLabelRight = placed.intensityTitleLeft + line + gap + labelWidth;
    const double left = placed.intensityLabelRight + gap + tick;
    const double width = std::max(1.0, std::floor(area.left + area.width - margin * 1.5 - left));
    placed.frame = {left, top, width, height};
    placed.twoThetaLabelTop = top + height + tick + gap / 2;
    placed.twoThetaTitleTop = placed.twoThetaLabelTop + line;
    placed.readoutTop = placed.twoThetaTitleTop + line;

    placed.layout = layOutPlot(scans, {devicePixelsOf(width), devicePixelsOf(height)}, ratio, view);
    placed.layout.headerLines = std::move(header);
    return placed;
}

} // namespace scanmill
