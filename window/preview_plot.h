// SPDX-License-Identifier: MIT
#pragma once

#include "plot_frame.h"
#include "scan_preview.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanmill {

// What a key does in a preview: L, S and G choose the scale; the arrows
// move the view by a quarter of it, left and right in 2 theta, up and down
// in counts; + and - zoom in 2 theta around the middle; Home shows all.
enum class PreviewKey { Linear, SquareRoot, Log, Left, Right, Up, Down, ZoomIn, ZoomOut, ShowAll };

// The line under the plot while the cursor is not over it.
inline constexpr char previewHint[] = "Drag, wheel: zoom   Shift+wheel: counts   Arrows: move   "
                                      "Home: all   L S G: scale   Ctrl+S: save   Ctrl+C: copy";

// Writes a saved picture's bytes to path, whole or not at all; what to
// show when that fails ("Error 13 saving the plot." and why).
std::optional<std::string> savePicture(const std::string& path, std::string_view bytes);

// A picture saved to path is a PNG where its name ends ".png" (any case),
// an SVG otherwise.
bool savesPng(std::string_view path);
inline constexpr char pngFailedText[] = "The PNG picture could not be made.";

// A preview window's plot without a toolkit: the scans it shows, the view
// the person has chosen, and what the mouse and keys do to it. On every
// paint the front end places the plot with place() and draws what comes
// back; it hands each event over in the same units, and paints again when
// one returns true.
class PreviewPlot {
public:
    // At least one scan, at most mostOverlaidScans.
    explicit PreviewPlot(std::vector<ScanPreview> scans);

    // "NAME - Scanmill" of one scan, "3 scans - Scanmill" of several.
    const std::string& caption() const { return caption_; }
    const std::vector<ScanPreview>& scans() const { return scans_; }
    const PlotView& view() const { return view_; }
    // Where the last place() put the frame.
    const PlotRect& frame() const { return frame_; }

    // The plot in area, as placePlot places it with this view, its read-out
    // line saying what the cursor points at; the frame is kept for the
    // events that follow.
    PlacedPlot place(PlotRect area, const PlotFonts& fonts, double scale, double devicePixels);

    bool key(PreviewKey key);
    // The wheel turned by notches (positive away from the person, which
    // zooms in) with the cursor at x, y: zooms around it in 2 theta, or in
    // counts.
    bool wheel(double x, double y, double notches, bool counts);
    // The left button went down, the cursor moved (with or without it), the
    // button came up: a drag across the frame zooms to the 2 theta between.
    bool pressed(double x, double y);
    bool moved(double x, double y);
    bool released(double x, double y);
    // A double-click on the frame shows all again.
    bool doubleClicked(double x, double y);
    // The cursor has left the window.
    bool left();

    // While a drag goes on: its band across the frame, from where it began
    // to the cursor, in the front end's x.
    std::optional<AxisRange> band() const;

    // The view as an SVG page of size units, for saving.
    std::string svg(PixelSize size) const;
    // The name a save dialog suggests: the first scan's, as ".svg".
    std::string pictureName() const;

private:
    std::vector<PlotScan> plotted() const;
    std::vector<std::string> notes() const;
    bool onFrame(double x, double y) const;
    double twoThetaAt(double x) const;
    bool showTwoTheta(AxisRange range);
    bool showIntensity(AxisRange range);

    std::string caption_;
    std::vector<ScanPreview> scans_;
    AxisRange all_;  // the scans' 2 theta
    double closest_; // the narrowest 2 theta range a zoom may show
    PlotView view_;
    // Where the last place() put the frame, and the ranges it showed there
    // (the intensity on the scale).
    PlotRect frame_;
    double scale_ = 1; // the front end's units per pixel at 100 %
    AxisRange twoTheta_;
    AxisRange intensity_;
    std::optional<PlotPoint> cursor_;
    std::optional<double> dragFrom_;
};

} // namespace scanmill
