// SPDX-License-Identifier: MIT
#include "plot_layout.h"

#include "ascii_writer.h"
#include "shown_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace scanmill {
namespace {

// Pixels between ticks the axes aim at, so that labels never crowd.
constexpr double twoThetaTickSpacing = 90;
constexpr double intensityTickSpacing = 50;
// However wide the range, an axis never gets more ticks than this.
constexpr int mostTicks = 50;

// A range of one value is widened around it: by 1, or for values so large
// that 1 is lost in a double, by a millionth of it.
AxisRange aroundValue(double value) {
    const double half = std::max(1.0, std::abs(value) * 1e-6);
    return {value - half, value + half};
}

AxisRange rangeOf(double low, double high) {
    return low < high ? AxisRange{low, high} : aroundValue(low);
}

// A tick step of 1, 2 or 5 times a power of ten near span / count (Heckbert's
// nice numbers): step = mantissa * 10^exponent.
struct TickStep {
    int mantissa;
    int exponent;
    double size() const { return mantissa * std::pow(10.0, exponent); }
};

TickStep niceStep(double span, int count) {
    const double rough = span / std::max(count, 1);
    int exponent = static_cast<int>(std::floor(std::log10(rough)));
    const double fraction = rough / std::pow(10.0, exponent);
    int mantissa = fraction < 1.5 ? 1 : fraction < 3 ? 2 : fraction < 7 ? 5 : 10;
    if (mantissa == 10) {
        mantissa = 1;
        ++exponent;
    }
    return {mantissa, exponent};
}

// Every label of an axis in one form: fixed with as many decimals as the
// step has, or for values of ten digits and more, in exponent form (0 as
// "0").
std::string tickLabel(double value, TickStep step, double largest) {
    if (value == 0 && largest >= 1e9) {
        return "0";
    }
    char text[64];
    std::to_chars_result result;
    if (largest < 1e9) {
        const int decimals = std::max(0, -step.exponent);
        result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    } else {
        const int digits =
            std::max(0, static_cast<int>(std::floor(std::log10(largest))) - step.exponent);
        result =
            std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits);
    }
    return std::string(text, result.ptr);
}

// Ticks at the multiples of a nice step within the range; pixelOf places them.
template <typename PixelOf>
std::vector<Tick> ticksOf(AxisRange range, double pixels, double spacing, PixelOf pixelOf) {
    const TickStep step = niceStep(range.high - range.low, static_cast<int>(pixels / spacing));
    const double size = step.size();
    const double largest = std::max(std::abs(range.low), std::abs(range.high));
    std::vector<Tick> ticks;
    const double first = std::ceil(range.low / size);
    for (int i = 0; i < mostTicks; ++i) {
        // A multiple of the step, not a sum of steps, so that no error builds up.
        const double value = (first + i) * size + 0.0; // no -0
        if (value > range.high) {
            break;
        }
        ticks.push_back({value, pixelOf(value), tickLabel(value, step, largest)});
    }
    return ticks;
}

// The pattern of one run of finite points, decimated per pixel column to its
// first, lowest, highest and last point (M4), which draws the same pixels
// as every point would.
class ColumnDecimator {
public:
    ColumnDecimator(std::vector<PlotPoint>& line, int columns) : line_(line), columns_(columns) {}

    void add(PlotPoint point) {
        // Clamped first, so that truncation is floor (and a call to floor
        // would cost more than the rest of the point).
        const int column =
            static_cast<int>(std::clamp(point.x, 0.0, static_cast<double>(columns_ - 1)));
        if (count_ == 0 || column != column_) {
            flush();
            column_ = column;
            first_ = lowest_ = highest_ = last_ = {point, count_};
        } else {
            last_ = {point, count_};
            // y grows downwards: the lowest intensity has the largest y.
            if (point.y > lowest_.point.y) {
                lowest_ = last_;
            }
            if (point.y < highest_.point.y) {
                highest_ = last_;
            }
        }
        ++count_;
    }

    void flush() {
        if (count_ == 0) {
            return;
        }
        std::array<Kept, 4> kept = {first_, lowest_, highest_, last_};
        std::sort(kept.begin(), kept.end(),
                  [](const Kept& a, const Kept& b) { return a.index < b.index; });
        for (std::size_t i = 0; i < kept.size(); ++i) {
            if (i == 0 || kept[i].index != kept[i - 1].index) {
                line_.push_back(kept[i].point);
            }
        }
    }

private:
    struct Kept {
        PlotPoint point;
        std::size_t index = 0;
    };
    std::vector<PlotPoint>& line_;
    int columns_;
    int column_ = 0;
    std::size_t count_ = 0;
    Kept first_, lowest_, highest_, last_;
};

std::string trimmedRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::vector<std::string> headerLinesOf(const ScanRecord& scan, std::string_view sourceName) {
    const std::size_t points = scan.intensities.size();
    std::string when = trimmedRight(scan.dateText) + " " + scan.timeText;
    std::string named = escapeControls(sourceName, OtherBytes::AsLatin1);
    if (!named.empty()) {
        named += ", ";
    }
    std::string angles = "2θ " + numberText(scan.startTwoTheta) + "°";
    if (points > 1) {
        angles += " to " + numberText(twoThetaAt(scan, points - 1)) + "°";
    }
    angles += ", step " + numberText(scan.stepSize) + "°";
    // A point that is not drawn leaves a gap narrower than a pixel in a long
    // scan; the count says that it is there.
    const auto notFinite = std::count_if(scan.intensities.begin(), scan.intensities.end(),
                                         [](float x) { return !std::isfinite(x); });
    std::string counted = std::to_string(points) + (points == 1 ? " point" : " points");
    if (notFinite != 0) {
        counted += " (" + std::to_string(notFinite) + " not finite)";
    }
    return {escapeControls(scan.title, OtherBytes::AsLatin1), named + escapeControls(when, OtherBytes::AsLatin1), angles,
            counted + ", step time " + stepTimeText(scan)};
}

} // namespace

PlotLayout layOutPlot(const ScanRecord& scan, std::string_view sourceName, PixelSize frame) {
    PlotLayout layout;
    layout.frame = {std::max(frame.width, 1), std::max(frame.height, 1)};
    const double width = layout.frame.width;
    const double height = layout.frame.height;
    const std::size_t points = scan.intensities.size();

    const double firstAngle = points == 0 ? scan.startTwoTheta : twoThetaAt(scan, 0);
    const double lastAngle = points == 0 ? scan.startTwoTheta : twoThetaAt(scan, points - 1);
    layout.twoTheta = rangeOf(std::min(firstAngle, lastAngle), std::max(firstAngle, lastAngle));

    // In singles, with comparisons that a NaN fails, so that the loop has no
    // branch.
    float lowest = std::numeric_limits<float>::infinity();
    float highest = -lowest;
    constexpr float largest = std::numeric_limits<float>::max();
    for (const float intensity : scan.intensities) {
        const bool finite = std::abs(intensity) <= largest;
        lowest = finite && intensity < lowest ? intensity : lowest;
        highest = finite && intensity > highest ? intensity : highest;
    }
    if (lowest > highest) {
        layout.intensity = {0, 1}; // nothing to draw
    } else if (lowest == highest) {
        layout.intensity = aroundValue(lowest);
    } else {
        layout.intensity = {std::min(0.0, static_cast<double>(lowest)), highest};
    }

    const AxisRange x = layout.twoTheta;
    const AxisRange y = layout.intensity;
    const double xScale = width / (x.high - x.low);
    const double yScale = height / (y.high - y.low);
    const auto xOf = [&](double angle) { return (angle - x.low) * xScale; };
    const auto yOf = [&](double counts) { return (y.high - counts) * yScale; };
    layout.twoThetaTicks = ticksOf(x, width, twoThetaTickSpacing, xOf);
    layout.intensityTicks = ticksOf(y, height, intensityTickSpacing, yOf);
    layout.twoThetaTitle = "2θ (°)";
    layout.intensityTitle = "Intensity (counts)";

    std::optional<ColumnDecimator> decimator;
    for (std::size_t i = 0; i < points; ++i) {
        const float angle = twoThetaAt(scan, i);
        const float intensity = scan.intensities[i];
        if (!std::isfinite(intensity) || !std::isfinite(angle)) {
            if (decimator) {
                decimator->flush();
                decimator.reset();
            }
            continue;
        }
        if (!decimator) {
            decimator.emplace(layout.lines.emplace_back(), layout.frame.width);
        }
        decimator->add({xOf(angle), yOf(intensity)});
    }
    if (decimator) {
        decimator->flush();
    }

    layout.headerLines = headerLinesOf(scan, sourceName);
    return layout;
}

} // namespace scanmill
