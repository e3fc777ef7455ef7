// SPDX-License-Identifier: MIT
#include "preview_plot.h"

#include "output_file.h"
#include "platform.h"
#include "shown_text.h"
#include "svg_painter.h"
#include "window_core.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

namespace scanmill {
namespace {

// How much a wheel's notch, and a + or - key, zoom in.
constexpr double notchZoom = 0.8;
constexpr double keyZoom = 0.5;
// How far an arrow key moves the view: a quarter of it.
constexpr double keyMove = 0.25;
// A drag shorter than this, in pixels at 100 %, is a click.
constexpr double shortestDrag = 4;

std::string captionOf(const std::vector<ScanPreview>& scans) {
    if (scans.size() == 1) {
        return escapeControls(scans.front().sourceName, OtherBytes::AsLatin1) + " - " +
               messageTitle;
    }
    return std::to_string(scans.size()) + " scans - " + messageTitle;
}

} // namespace

PreviewPlot::PreviewPlot(std::vector<ScanPreview> scans)
    : caption_(captionOf(scans)), scans_(std::move(scans)), all_(twoThetaRangeOf(plotted())),
      closest_(std::numeric_limits<double>::infinity()) {
    // A zoom shows four steps of the finest scan at least.
    for (const ScanPreview& each : scans_) {
        const double step = std::abs(each.scan.stepSize);
        if (std::isfinite(step) && step > 0) {
            closest_ = std::min(closest_, 4 * step);
        }
    }
    if (!std::isfinite(closest_)) {
        closest_ = (all_.high - all_.low) / 1000;
    }
}

std::vector<PlotScan> PreviewPlot::plotted() const {
    std::vector<PlotScan> plotted;
    for (const ScanPreview& each : scans_) {
        plotted.push_back({&each.scan, each.sourceName, each.tube});
    }
    return plotted;
}

std::vector<std::string> PreviewPlot::notes() const {
    if (scans_.size() == 1) {
        return scans_.front().notes();
    }
    std::vector<std::string> notes;
    for (const ScanPreview& each : scans_) {
        if (each.changed) {
            notes.push_back(escapeControls(each.sourceName, OtherBytes::AsLatin1) +
                            " has changed since it was converted.");
        }
    }
    return notes;
}

PlacedPlot PreviewPlot::place(PlotRect area, const PlotFonts& fonts, double scale,
                              double devicePixels) {
    PlacedPlot placed =
        placePlot(plotted(), notes(), area, fonts, {scale, devicePixels, view_, true});
    frame_ = placed.frame;
    scale_ = scale;
    twoTheta_ = placed.layout.twoTheta;
    intensity_ = placed.layout.intensity;
    placed.readout = cursor_ && onFrame(cursor_->x, cursor_->y)
                         ? readoutText(plotted(), twoThetaAt(cursor_->x))
                         : previewHint;
    return placed;
}

bool PreviewPlot::onFrame(double x, double y) const {
    return x >= frame_.left && x <= frame_.left + frame_.width && y >= frame_.top &&
           y <= frame_.top + frame_.height;
}

double PreviewPlot::twoThetaAt(double x) const {
    return twoTheta_.low + (x - frame_.left) / frame_.width * (twoTheta_.high - twoTheta_.low);
}

// Shows range, narrowed to what the scans cover and widened to the closest
// zoom; all of it once it covers as much.
bool PreviewPlot::showTwoTheta(AxisRange range) {
    const double widest = all_.high - all_.low;
    const double width = std::max(range.high - range.low, closest_);
    if (!(width < widest)) {
        const bool changed = view_.twoTheta.has_value();
        view_.twoTheta.reset();
        return changed;
    }
    const double middle = (range.low + range.high) / 2;
    const double low = std::clamp(middle - width / 2, all_.low, all_.high - width);
    view_.twoTheta = AxisRange{low, low + width};
    return true;
}

// Shows range, given on the scale, in counts.
bool PreviewPlot::showIntensity(AxisRange range) {
    view_.intensity =
        AxisRange{countsAt(view_.scale, range.low), countsAt(view_.scale, range.high)};
    return true;
}

bool PreviewPlot::key(PreviewKey key) {
    const double width = twoTheta_.high - twoTheta_.low;
    const double middle = (twoTheta_.low + twoTheta_.high) / 2;
    const auto scaleTo = [this](IntensityScale scale) {
        if (view_.scale == scale) {
            return false;
        }
        // A range of counts may have no place on another scale.
        view_.scale = scale;
        view_.intensity.reset();
        return true;
    };
    switch (key) {
    case PreviewKey::Linear:
        return scaleTo(IntensityScale::Linear);
    case PreviewKey::SquareRoot:
        return scaleTo(IntensityScale::SquareRoot);
    case PreviewKey::Log:
        return scaleTo(IntensityScale::Log);
    case PreviewKey::Left:
    case PreviewKey::Right: {
        if (!view_.twoTheta) {
            return false;
        }
        const double by = (key == PreviewKey::Left ? -keyMove : keyMove) * width;
        return showTwoTheta({twoTheta_.low + by, twoTheta_.high + by});
    }
    case PreviewKey::Up:
    case PreviewKey::Down: {
        const double by =
            (key == PreviewKey::Down ? -keyMove : keyMove) * (intensity_.high - intensity_.low);
        return showIntensity({intensity_.low + by, intensity_.high + by});
    }
    case PreviewKey::ZoomIn:
    case PreviewKey::ZoomOut: {
        const double half = width / 2 * (key == PreviewKey::ZoomIn ? keyZoom : 1 / keyZoom);
        return showTwoTheta({middle - half, middle + half});
    }
    case PreviewKey::ShowAll: {
        const bool changed = view_.twoTheta || view_.intensity;
        view_.twoTheta.reset();
        view_.intensity.reset();
        return changed;
    }
    }
    return false;
}

bool PreviewPlot::wheel(double x, double y, double notches, bool counts) {
    if (!onFrame(x, y) || notches == 0) {
        return false;
    }
    const double factor = std::pow(notchZoom, notches);
    if (counts) {
        // Around the count under the cursor, on the scale.
        const double at =
            intensity_.high - (y - frame_.top) / frame_.height * (intensity_.high - intensity_.low);
        return showIntensity(
            {at - (at - intensity_.low) * factor, at + (intensity_.high - at) * factor});
    }
    const double at = twoThetaAt(x);
    return showTwoTheta({at - (at - twoTheta_.low) * factor, at + (twoTheta_.high - at) * factor});
}

bool PreviewPlot::pressed(double x, double y) {
    cursor_ = PlotPoint{x, y};
    if (!onFrame(x, y)) {
        return false;
    }
    dragFrom_ = x;
    return true;
}

bool PreviewPlot::moved(double x, double y) {
    const bool wasOn = cursor_ && onFrame(cursor_->x, cursor_->y);
    cursor_ = PlotPoint{x, y};
    return wasOn || onFrame(x, y) || dragFrom_;
}

bool PreviewPlot::released(double x, double y) {
    cursor_ = PlotPoint{x, y};
    const std::optional<double> from = std::exchange(dragFrom_, std::nullopt);
    if (!from) {
        return false;
    }
    const double to = std::clamp(x, frame_.left, frame_.left + frame_.width);
    if (std::abs(to - *from) < shortestDrag * scale_) {
        return true; // a click: the band goes
    }
    showTwoTheta({twoThetaAt(std::min(*from, to)), twoThetaAt(std::max(*from, to))});
    return true;
}

bool PreviewPlot::doubleClicked(double x, double y) {
    dragFrom_.reset();
    return onFrame(x, y) && key(PreviewKey::ShowAll);
}

bool PreviewPlot::left() {
    const bool wasOn = cursor_ && onFrame(cursor_->x, cursor_->y);
    cursor_.reset();
    return wasOn;
}

std::optional<AxisRange> PreviewPlot::band() const {
    if (!dragFrom_ || !cursor_) {
        return std::nullopt;
    }
    const double to = std::clamp(cursor_->x, frame_.left, frame_.left + frame_.width);
    return AxisRange{std::min(*dragFrom_, to), std::max(*dragFrom_, to)};
}

std::string PreviewPlot::pictureName() const {
    return platform::fromPath(
        platform::toPath(scans_.front().sourceName).replace_extension(".svg"));
}

std::optional<std::string> savePicture(const std::string& path, std::string_view bytes) {
    try {
        replaceFileContents(path, bytes);
    } catch (const FileError& error) {
        return "Error " + std::to_string(error.number()) + " saving the plot.\n" +
               escapeControls(error.description());
    }
    return std::nullopt;
}

bool savesPng(std::string_view path) {
    if (path.size() < 4) {
        return false;
    }
    std::string extension(path.substr(path.size() - 4));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".png";
}

std::string PreviewPlot::svg(PixelSize size) const {
    return formatSvg(plotted(), notes(), view_, size);
}

} // namespace scanmill
