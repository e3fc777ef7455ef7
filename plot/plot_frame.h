// SPDX-License-Identifier: MIT
#pragma once

#include "plot_layout.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// How the plot looks and where its parts go, decided here for every painter:
// the SVG and both windows draw what this gives and choose only their fonts.
namespace scanmill {

// Colours as 0xRRGGBB; lengths in pixels at 100 % (an SVG unit, a pixel at
// 96 dpi).
struct PlotStyle {
    std::uint32_t paper;
    std::uint32_t ink; // text, ticks and the frame
    std::uint32_t grid;
    double patternWidth; // the pattern's line, with round ends and joins
    double markWidth;    // wider, so that a lone point between breaks shows
    double dotWidth;     // the dot at each point, where they lie apart
    double frameWidth;
    double tickLength;
    double labelGap;    // between a tick and its label
    double swatchWidth; // the stroke before a legend's line, in the pattern's colour
};

inline constexpr PlotStyle plotStyle{0xffffff, 0x222222, 0xe6e6e6, 1.2, 3, 4, 1, 5, 4, 24};

// The patterns are clipped to the frame widened by this, so that a zoomed
// view's lines end at its edge while a point on the edge shows whole.
inline constexpr double patternReach = plotStyle.dotWidth / 2;

// The patterns' colours, one for each scan in order: Okabe and Ito's,
// which people with any colour vision tell apart, in an order that puts
// the clearest on white first (yellow last).
inline constexpr std::uint32_t patternColours[mostOverlaidScans] = {
    0x0072b2, 0xd55e00, 0x009e73, 0xcc79a7, 0xe69f00, 0x56b4e9, 0x000000, 0xf0e442};

constexpr std::uint32_t patternColour(std::size_t pattern) {
    return patternColours[pattern % mostOverlaidScans];
}

struct PlotRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// What a painter's fonts measure, in its own units.
struct PlotFonts {
    double lineHeight;      // of the labels' font, which the header's later lines use too
    double titleLineHeight; // of the header's first line, in bold
    std::function<double(std::string_view)> width; // of a text in the labels' font
};

// The plot placed in an area, in the painter's units. Texts are placed by
// the top of their line; the painter aligns them as each says.
struct PlacedPlot {
    // The layout of the frame, in device pixels; its header lines end with
    // the notes. A painter in other units scales its coordinates by
    // frame.width / layout.frame.width and frame.height / layout.frame.height.
    PlotLayout layout;
    PlotRect frame;
    double headerLeft = 0;
    std::vector<double> headerTops; // one for each header line
    double twoThetaLabelTop = 0;    // each label centred on its tick
    double twoThetaTitleTop = 0;    // centred on the frame
    double intensityLabelRight = 0; // each label's right end, its middle on its tick
    double intensityTitleLeft = 0;  // running upwards, centred on the frame
    // A legend's lines start further right, after their stroke.
    double legendTextLeft = 0;
    // The line below the 2 theta title, where asked for: a window's read-out
    // of the cursor, which the window sets.
    double readoutTop = 0;
    std::string readout;
};

// How a painter places a plot.
struct PlotPlacing {
    double scale = 1;        // its units per pixel at 100 % (dpi / 96 in device pixels)
    double devicePixels = 1; // its device pixels per unit
    PlotView view;           // the part shown, and its scale
    bool readout = false;    // a window's plot keeps a line below for its read-out
};

// Places the plot of the scans in area, its header lines followed by notes.
// Lays the plot out once.
PlacedPlot placePlot(const std::vector<PlotScan>& scans, const std::vector<std::string>& notes,
                     PlotRect area, const PlotFonts& fonts, const PlotPlacing& placing = {});

} // namespace scanmill
