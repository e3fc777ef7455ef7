// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "scan_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The plot of one scan, or of several overlaid, computed once for every
// painter (the windows' and the SVG text): ranges, ticks, the patterns' lines
// and the header lines, in pixels of the frame the patterns are drawn in. A
// painter decides nothing about the plot; it places the frame, draws these
// and chooses its fonts.
namespace scanmill {

// One scan of a plot: the name of its file as the plot shows it, and the
// tube it was converted with, when known, whose K-alpha1 the header gives
// and d-spacings are computed from.
struct PlotScan {
    const ScanRecord* scan = nullptr;
    std::string_view name;
    std::optional<Anode> tube;
};

// Scans one plot overlays at most: each has a colour of its own.
inline constexpr std::size_t mostOverlaidScans = 8;

// The frame's size in pixels; the origin is its top-left corner, y grows
// downwards.
struct PixelSize {
    int width = 0;
    int height = 0;
};

struct AxisRange {
    double low = 0;
    double high = 1;
};

// How intensities are drawn: as counts, as their square roots, or as their
// logarithms, which let weak peaks beside a strong one show. On the log
// scale a count of 0 or less has no place: it breaks the pattern, as a
// point that is not finite does.
enum class IntensityScale { Linear, SquareRoot, Log };

// What part of a scan a plot shows, and on which scale: by default all of
// it, with 5 % of the intensity axis to spare above the highest point and
// below the lowest. A zoomed view gives its ranges, in degrees and counts.
struct PlotView {
    IntensityScale scale = IntensityScale::Linear;
    std::optional<AxisRange> twoTheta;
    std::optional<AxisRange> intensity;
};

// A count's place on the scale's axis (its square root, its logarithm), and
// back; NaN for a count the log scale has no place for.
double onScale(IntensityScale scale, double counts);
double countsAt(IntensityScale scale, double value);

// A labelled position on an axis: x in the frame for 2 theta, y for the
// intensity. A tick without a label is a minor one, without a grid line.
struct Tick {
    double value = 0;
    double pixel = 0;
    std::string label; // "12.5", "2000"
};

struct PlotPoint {
    double x = 0;
    double y = 0;
};

// Where runs of finite points that begin and end in one pixel column are
// drawn: an upright stroke from the highest of them to the lowest, a dot
// where those are one.
struct ColumnMark {
    double x = 0;
    double top = 0;
    double bottom = 0;
};

// One scan's pattern: polylines between two points that are not drawn,
// each keeping at most four points per pixel column. A run that stays within
// one column is a mark instead, merged with the others of its column, and
// drawn wider than the line so that a lone point shows at any zoom: a scan
// of many short runs then draws as little as a whole one. Where the view's
// points lie far enough apart, each also gets a dot, so that a noisy scan
// shows its points and not only a zigzag.
struct Pattern {
    std::vector<std::vector<PlotPoint>> lines;
    std::vector<ColumnMark> marks;
    std::vector<PlotPoint> dots;
};

struct PlotLayout {
    PixelSize frame;
    IntensityScale scale = IntensityScale::Linear;
    AxisRange twoTheta;  // degrees
    AxisRange intensity; // counts, on the scale (onScale) from the frame's bottom to its top
    std::vector<Tick> twoThetaTicks;
    std::vector<Tick> intensityTicks;
    std::string twoThetaTitle;     // "2θ (°)"
    std::string intensityTitle;    // "Intensity (counts)"
    std::vector<Pattern> patterns; // one for each scan, in order
    // Where the view has points that are not finite, one x for each pixel
    // column: a mark on the 2 theta axis, so that the gap they leave does
    // not read as a spike.
    std::vector<double> gaps;
    // UTF-8, control characters escaped. Of one scan: the title; the file's
    // name with the date and time; the 2 theta range and step, with the
    // tube; the point count, step time and highest count. Of several: how
    // many, the range, then from legendLine on one line naming each scan,
    // drawn beside a stroke of its colour.
    std::vector<std::string> headerLines;
    std::size_t legendLine = 0; // 0: no legend

    // The pattern that header line names in the legend, if it is one.
    std::optional<std::size_t> legendOf(std::size_t line) const {
        if (legendLine == 0 || line < legendLine || line - legendLine >= patterns.size()) {
            return std::nullopt;
        }
        return line - legendLine;
    }
};

// The layout of the view of scan in a frame of that size (at least one
// pixel each way). sourceName is the name of the scan's file as the plot
// shows it. Ticks are as far apart as at 100 % on a screen of pixelRatio
// device pixels to a pixel at 100 %, whose pattern is laid out in device
// pixels. The pattern of a zoomed view holds the points within it and the
// next one on either side, so that its lines run on to the frame, which
// the painter clips them to.
PlotLayout layOutPlot(const std::vector<PlotScan>& scans, PixelSize frame, double pixelRatio = 1,
                      const PlotView& view = {});
inline PlotLayout layOutPlot(const ScanRecord& scan, std::string_view sourceName, PixelSize frame,
                             double pixelRatio = 1, const PlotView& view = {}) {
    return layOutPlot({{&scan, sourceName, std::nullopt}}, frame, pixelRatio, view);
}

// The pattern as a thumbnail of columns x rows pixels: SVG path data with
// one upright stroke per pixel column, from the column's highest point to
// its lowest, joined to the next column; a column without finite points
// breaks it. Coordinates are whole pixels, so that a thumbnail of 200
// columns takes under 2 KB.
std::string thumbnailPath(const ScanRecord& scan, int columns, int rows);

// The layout's header lines and intensity ticks alone, which decide where the
// frame goes, without the pattern.
std::vector<std::string> plotHeaderLines(const std::vector<PlotScan>& scans,
                                         IntensityScale scale = IntensityScale::Linear);
std::vector<Tick> intensityTicksOf(const std::vector<PlotScan>& scans, int frameHeight,
                                   double pixelRatio = 1, const PlotView& view = {});

// The 2 theta range that shows all of the scans, in degrees: the plot's
// when no view narrows it.
AxisRange twoThetaRangeOf(const std::vector<PlotScan>& scans);

// The spacing of the lattice planes that reflect a wavelength at 2 theta
// (Bragg: d = lambda / (2 sin theta)), in the wavelength's unit; none at
// 2 theta of 0 or less, or of 180 or more.
std::optional<double> dSpacing(double twoTheta, double wavelength);

// The point of scan whose angle is nearest to twoTheta, if twoTheta lies
// within the scan's range (or half a step beyond its ends).
std::optional<std::size_t> nearestPoint(const ScanRecord& scan, double twoTheta);

// What the cursor at twoTheta reads: "2θ 26.640°   d 3.3435 Å   point
// 26.64°: 4,308 counts". The d-spacing is computed from the first scan's
// tube (each tube's own where they differ); with several scans the counts
// of the nearest points follow one another in the legend's order, "–"
// where a scan has none.
std::string readoutText(const std::vector<PlotScan>& scans, double twoTheta);

} // namespace scanmill
