// SPDX-License-Identifier: MIT
#include "plot_layout.h"

#include "field_text.h"
#include "little_endian.h"
#include "names.h"
#include "print_number.h"
#include "shown_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>

namespace scanmill {
namespace {

// Pixels between ticks the axes aim at, so that labels never crowd.
constexpr double twoThetaTickSpacing = 90;
constexpr double intensityTickSpacing = 50;
// However wide the range, an axis never gets more ticks than this.
constexpr int mostTicks = 50;
// Pixels from one point to the next at least for each to get a dot.
constexpr double dotSpacing = 4;

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

// The largest 1, 2 or 5 times a power of ten at most x (x > 0).
TickStep niceBelow(double x) {
    const int exponent = static_cast<int>(std::floor(std::log10(x)));
    const double fraction = x / std::pow(10.0, exponent);
    return {fraction >= 5 ? 5 : fraction >= 2 ? 2 : 1, exponent};
}

// Labels longer than this are written in exponent form: a fixed label of a
// tiny or huge range would run under the axis title.
constexpr std::size_t longestFixedLabel = 7;

// Fixed, with as many decimals as the step has ("0.25", "2000").
std::string fixedLabel(double value, TickStep step) {
    char text[400];
    const int decimals = std::max(0, -step.exponent);
    return std::string(
        text,
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr);
}

// In exponent form with as many digits as the step has, and no trailing
// zeros ("1e-12", "2.5e+07"); 0 as "0".
std::string exponentLabel(double value, TickStep step) {
    if (value == 0) {
        return "0";
    }
    const int digits =
        std::max(0, static_cast<int>(std::floor(std::log10(std::abs(value)))) - step.exponent);
    char text[64];
    char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits).ptr;
    std::string label(text, end);
    const std::size_t exponent = label.find('e');
    std::size_t mantissaEnd = exponent;
    if (label.find('.') < exponent) {
        while (label[mantissaEnd - 1] == '0') {
            --mantissaEnd;
        }
        if (label[mantissaEnd - 1] == '.') {
            --mantissaEnd;
        }
    }
    return label.erase(mantissaEnd, exponent - mantissaEnd);
}

// Ticks at the multiples of a nice step within the range; pixelOf places them.
template <typename PixelOf>
std::vector<Tick> ticksOf(AxisRange range, double pixels, double spacing, PixelOf pixelOf) {
    const TickStep step = niceStep(range.high - range.low, static_cast<int>(pixels / spacing));
    const double size = step.size();
    std::vector<Tick> ticks;
    const double first = std::ceil(range.low / size);
    bool fixedFits = true;
    for (int i = 0; i < mostTicks; ++i) {
        // A multiple of the step, not a sum of steps, so that no error builds up.
        const double value = (first + i) * size + 0.0; // no -0
        if (value > range.high) {
            break;
        }
        std::string label = fixedLabel(value, step);
        fixedFits = fixedFits && label.size() <= longestFixedLabel;
        ticks.push_back({value, pixelOf(value), std::move(label)});
    }
    // Every label of an axis in one form.
    if (!fixedFits) {
        for (Tick& tick : ticks) {
            tick.label = exponentLabel(tick.value, step);
        }
    }
    return ticks;
}

// A number as a plot shows it: shortest, with a leading zero ("0.01",
// "70.53201"), and 0 for -0.
std::string numberText(float x) {
    return shortestText(x + 0.0F);
}

// The decimals of a step in its shortest form: 2 for 0.01, 0 for 1; at most 6.
int decimalsOf(float step) {
    if (!std::isfinite(step) || step == 0) {
        return 2;
    }
    char text[64];
    char* end =
        std::to_chars(text, text + sizeof text, std::abs(step), std::chars_format::scientific).ptr;
    const std::string_view digits(text, static_cast<std::size_t>(end - text));
    const std::size_t e = digits.find('e');
    const int exponent = std::stoi(std::string(digits.substr(e + 1)));
    const int fraction = e > 1 ? static_cast<int>(e) - 2 : 0; // digits after "d."
    return std::clamp(fraction - exponent, 0, 6);
}

// An angle rounded to decimals ("70.53").
std::string angleText(double angle, int decimals) {
    char text[400];
    return std::string(text, std::to_chars(text, text + sizeof text, angle + 0.0,
                                           std::chars_format::fixed, decimals)
                                 .ptr);
}

// A count with its thousands separated ("4,308", "1,205.75"); in exponent
// form where it is that large or small.
std::string countText(float counts) {
    if (!(std::abs(counts) < 1e15F)) {
        return numberText(counts);
    }
    std::string fraction;
    if (counts != std::trunc(counts)) {
        const std::string text = numberText(counts);
        const std::size_t point = text.find('.');
        if (point == std::string::npos || text.find('e') != std::string::npos) {
            return text; // "1e-05"
        }
        fraction = text.substr(point);
    }
    return (counts < 0 ? "-" : "") +
           groupedDigits(static_cast<std::size_t>(std::trunc(std::abs(counts)))) + fraction;
}

// Ticks on the square-root scale, at counts that are multiples of a step of
// 1, 2 or 5 times a power of ten, the step shrinking down the axis as the
// scale spreads the low counts: from the top, each next tick is the highest
// such multiple at least spacing pixels below the last. pixelOf places a
// count; countAt is the count at a pixel.
template <typename PixelOf, typename CountAt>
std::vector<Tick> squareRootTicks(AxisRange range, double spacing, PixelOf pixelOf,
                                  CountAt countAt) {
    const double lowest = countsAt(IntensityScale::SquareRoot, range.low);
    const double highest = countsAt(IntensityScale::SquareRoot, range.high);
    // 0, where the axis holds it, is always ticked, and the others keep
    // their distance from it.
    const bool zeroTicked = lowest <= 0;
    const double least = zeroTicked ? countAt(pixelOf(0.0) - spacing) : lowest;
    std::vector<Tick> ticks;
    double target = highest; // the next tick's count is at most this
    double gap = highest - countAt(pixelOf(highest) + spacing); // in counts
    while (ticks.size() < static_cast<std::size_t>(mostTicks) && gap > 0) {
        // A multiple of a step at most the gap, so that no room is left
        // unticked; or where that is 0 (under a tall peak, the gap is most
        // of the target), the largest 1, 2 or 5 times a power of ten below it.
        TickStep step = niceStep(gap, 2);
        double value = std::floor(target / step.size()) * step.size() + 0.0;
        if (target > 0) {
            if (const TickStep below = niceBelow(target); below.size() > value) {
                step = below;
                value = below.size();
            }
        }
        if (value < least) {
            break;
        }
        ticks.push_back({value, pixelOf(value), fixedLabel(value, step)});
        target = countAt(ticks.back().pixel + spacing);
        gap = value - target;
    }
    if (zeroTicked) {
        ticks.push_back({0, pixelOf(0.0), "0"});
    }
    std::reverse(ticks.begin(), ticks.end()); // upwards, as on the other scales
    return ticks;
}

// Ticks on the log scale at every decade, labelled as far apart as spacing
// allows, with unlabelled ticks at 2 to 9 times each between. Where the
// decades lie far enough apart, 2 and 5 times them are labelled too.
template <typename PixelOf>
std::vector<Tick> logTicks(AxisRange range, double pixels, double spacing, PixelOf pixelOf) {
    const double decades = range.high - range.low;
    const int every = std::max(1, static_cast<int>(std::ceil(decades * spacing / pixels)));
    // 2 and 5 times each labelled too where a decade has room for them.
    const bool fewDecades = every == 1 && pixels / decades * std::log10(2.0) >= spacing;
    // Ticks between the decades only where a decade has room for them.
    const bool minor = pixels / decades >= 3 * spacing / 5;
    std::vector<Tick> ticks;
    for (int decade = static_cast<int>(std::floor(range.low));
         decade <= std::ceil(range.high) && ticks.size() < 10 * mostTicks; ++decade) {
        for (int multiple = 1; multiple <= 9; ++multiple) {
            const double value = multiple * std::pow(10.0, decade);
            const double exponent = std::log10(value);
            if (exponent < range.low || exponent > range.high || (multiple > 1 && !minor)) {
                continue;
            }
            const bool labelled = multiple == 1 ? decade % every == 0
                                                : fewDecades && (multiple == 2 || multiple == 5);
            std::string label;
            if (labelled) {
                const TickStep step{multiple, decade};
                label = fixedLabel(value, step);
                if (label.size() > longestFixedLabel) {
                    label = exponentLabel(value, step);
                }
            }
            ticks.push_back({value, pixelOf(value), std::move(label)});
        }
    }
    return ticks;
}

// The pixel column of x. Clamped first, so that truncation is floor (and a
// call to floor would cost more than the rest of the point).
int columnOf(double x, int columns) {
    return static_cast<int>(std::clamp(x, 0.0, static_cast<double>(columns - 1)));
}

// The pattern of one run of finite points, decimated per pixel column to its
// first, lowest, highest and last point (M4), which draws the same pixels
// as every point would.
class ColumnDecimator {
public:
    ColumnDecimator(std::vector<PlotPoint>& line, int columns) : line_(line), columns_(columns) {}

    void add(PlotPoint point) {
        const int column = columnOf(point.x, columns_);
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

// The intensities' range: from 0, or the lowest when it is below 0, to the
// highest finite intensity.
AxisRange intensityRangeOf(const ScanRecord& scan) {
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
        return {0, 1}; // nothing to draw
    }
    if (lowest == highest) {
        return aroundValue(lowest);
    }
    return {std::min(0.0, static_cast<double>(lowest)), highest};
}

// The angles' range, from the first point to the last.
AxisRange angleRangeOf(const ScanRecord& scan) {
    const std::size_t points = scan.intensities.size();
    const double first = points == 0 ? scan.startTwoTheta : twoThetaAt(scan, 0);
    const double last = points == 0 ? scan.startTwoTheta : twoThetaAt(scan, points - 1);
    return {std::min(first, last), std::max(first, last)};
}

AxisRange twoThetaRangeOf(const ScanRecord& scan) {
    const AxisRange angles = angleRangeOf(scan);
    return rangeOf(angles.low, angles.high);
}

// The points a view shows: from first up to end, the points within its
// 2 theta range and the next on either side.
struct PointSpan {
    std::size_t first = 0;
    std::size_t end = 0;
};

PointSpan spanOf(const ScanRecord& scan, const std::optional<AxisRange>& twoTheta) {
    const std::size_t points = scan.intensities.size();
    if (!twoTheta || points == 0 || scan.stepSize == 0 || !std::isfinite(scan.stepSize)) {
        return {0, points};
    }
    // The angles grow with the index, or fall with it: the points before the
    // range come first, or last.
    const bool rising = scan.stepSize > 0;
    const auto indexWhere = [&](auto before) {
        std::size_t low = 0;
        std::size_t high = points;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (before(twoThetaAt(scan, middle))) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    };
    const double low = twoTheta->low;
    const double high = twoTheta->high;
    std::size_t first = rising ? indexWhere([&](float a) { return a < low; })
                               : indexWhere([&](float a) { return a > high; });
    std::size_t end = rising ? indexWhere([&](float a) { return a <= high; })
                             : indexWhere([&](float a) { return a >= low; });
    first = first > 0 ? first - 1 : 0;
    end = std::min(points, end + 1);
    return {first, std::max(first, end)};
}

// Each point of the span in order: point(angle, intensity) where both are
// finite and the scale has a place for the count, and gap(angle, intensity)
// where not,
// which breaks the pattern there.
template <typename Point, typename Gap>
void forEachPoint(const ScanRecord& scan, PointSpan span, IntensityScale scale, Point point,
                  Gap gap) {
    const bool positiveOnly = scale == IntensityScale::Log;
    for (std::size_t i = span.first; i < span.end; ++i) {
        const float angle = twoThetaAt(scan, i);
        const float intensity = scan.intensities[i];
        if (std::isfinite(intensity) && std::isfinite(angle) && (!positiveOnly || intensity > 0)) {
            point(angle, intensity);
        } else {
            gap(angle, intensity);
        }
    }
}

template <typename Point, typename Gap>
void forEachPoint(const ScanRecord& scan, Point point, Gap gap) {
    forEachPoint(scan, {0, scan.intensities.size()}, IntensityScale::Linear, point, gap);
}

// The intensity axis of a view, on its scale: the range the view gives, or
// that of the points it shows (from 0 on the linear and square-root scales
// when all are above it, from the lowest positive count on the log scale)
// with 5 % of it to spare either way.
struct IntensityAxis {
    AxisRange range;  // the frame's, on the scale
    AxisRange ticked; // where ticks go: not in the room to spare
};

IntensityAxis intensityAxisOf(const std::vector<PlotScan>& scans, const PlotView& view) {
    const IntensityScale scale = view.scale;
    if (view.intensity) {
        const double low = onScale(scale, view.intensity->low);
        const double high = onScale(scale, view.intensity->high);
        if (std::isfinite(low) && std::isfinite(high) && low < high) {
            return {{low, high}, {low, high}};
        }
    }
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (const PlotScan& each : scans) {
        forEachPoint(
            *each.scan, spanOf(*each.scan, view.twoTheta), scale,
            [&](float, float intensity) {
                lowest = std::min(lowest, static_cast<double>(intensity));
                highest = std::max(highest, static_cast<double>(intensity));
            },
            [](float, float) {});
    }
    AxisRange range{0, 1}; // when there is nothing to draw
    if (lowest <= highest) {
        if (scale != IntensityScale::Log) {
            lowest = std::min(lowest, 0.0);
        }
        range = rangeOf(onScale(scale, lowest), onScale(scale, highest));
    }
    const double spare = 0.05 * (range.high - range.low);
    return {{range.low - spare, range.high + spare}, range};
}

// The intensity axis's ticks, for a frame of that height.
std::vector<Tick> intensityTicks(const IntensityAxis& axis, IntensityScale scale, double height,
                                 double spacing) {
    const AxisRange y = axis.range;
    const double yScale = height / (y.high - y.low);
    const auto pixelOf = [&](double counts) { return (y.high - onScale(scale, counts)) * yScale; };
    // Ticks as dense as the frame's height asks for, in the part of it ticked.
    const double tickedPixels = height * (axis.ticked.high - axis.ticked.low) / (y.high - y.low);
    switch (scale) {
    case IntensityScale::SquareRoot:
        return squareRootTicks(axis.ticked, spacing, pixelOf, [&](double pixel) {
            return countsAt(scale, y.high - pixel / yScale);
        });
    case IntensityScale::Log:
        return logTicks(axis.ticked, tickedPixels, spacing, pixelOf);
    case IntensityScale::Linear:
        break;
    }
    return ticksOf(axis.ticked, height, spacing, pixelOf);
}

// The tube and its K-alpha1: "Cu Kα1 1.5406 Å".
std::string tubeLabel(Anode tube) {
    return std::string(anodeName(tube)) + " Kα1 " + shortestText(wavelengthsOf(tube).alpha1) + " Å";
}

// A scan's highest finite count, and how many counts are 0 or less.
struct Extremes {
    std::optional<std::size_t> highest;
    std::size_t notPositive = 0;
};

Extremes extremesOf(const ScanRecord& scan) {
    Extremes extremes;
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        const float intensity = scan.intensities[i];
        if (!std::isfinite(intensity)) {
            continue;
        }
        extremes.notPositive += intensity <= 0 ? 1 : 0;
        if (!extremes.highest || intensity > scan.intensities[*extremes.highest]) {
            extremes.highest = i;
        }
    }
    return extremes;
}

// "highest 4,308 counts at 70.55°", or nothing for a scan without a finite count.
std::string highestText(const ScanRecord& scan, const Extremes& extremes) {
    if (!extremes.highest) {
        return {};
    }
    const std::size_t highest = *extremes.highest;
    return "highest " + countText(scan.intensities[highest]) + " counts at " +
           angleText(twoThetaAt(scan, highest), decimalsOf(scan.stepSize)) + "°";
}

// The most decimals any of the scans' steps has.
int finestDecimals(const std::vector<PlotScan>& scans) {
    int decimals = 0;
    for (const PlotScan& each : scans) {
        decimals = std::max(decimals, decimalsOf(each.scan->stepSize));
    }
    return decimals;
}

// The header of one scan: title; name, date and time; angles, step and tube;
// points, step time and highest count.
std::vector<std::string> scanLines(const PlotScan& plotted, const Extremes& extremes) {
    const ScanRecord& scan = *plotted.scan;
    const std::size_t points = scan.intensities.size();
    std::string named = escapeControls(plotted.name, OtherBytes::AsLatin1);
    if (!named.empty()) {
        named += ", ";
    }
    // Angles as precise as the step, which float32 gives as "70.53201".
    const int decimals = decimalsOf(scan.stepSize);
    std::string angles = "2θ " + angleText(scan.startTwoTheta, decimals) + "°";
    if (points > 1) {
        angles += " to " + angleText(twoThetaAt(scan, points - 1), decimals) + "°";
    }
    angles += ", step " + numberText(scan.stepSize) + "°";
    if (plotted.tube) {
        angles += ", " + tubeLabel(*plotted.tube);
    }
    // A point that is not drawn leaves a gap narrower than a pixel in a long
    // scan; the count says that it is there.
    const std::size_t notFinite = nonFinitePoints(scan);
    std::string counted = pointsText(points);
    if (notFinite != 0) {
        counted += " (" + std::to_string(notFinite) + " not finite)";
    }
    counted += ", step time " + numberText(le::readFloat32(scan.stepTime.data())) + " s";
    if (const std::string highest = highestText(scan, extremes); !highest.empty()) {
        counted += ", " + highest;
    }
    return {escapeControls(scan.title, OtherBytes::AsLatin1),
            named + escapeControls(dateTimeText(scan), OtherBytes::AsLatin1), angles, counted};
}

// A scan's line in the legend of several: "S01.raw: Quartz, highest 4,308
// counts at 26.64°, Cu Kα1 1.5406 Å".
std::string legendText(const PlotScan& plotted, const Extremes& extremes) {
    std::string text = escapeControls(plotted.name, OtherBytes::AsLatin1) + ": " +
                       escapeControls(plotted.scan->title, OtherBytes::AsLatin1);
    if (const std::string highest = highestText(*plotted.scan, extremes); !highest.empty()) {
        text += ", " + highest;
    }
    if (plotted.tube) {
        text += ", " + tubeLabel(*plotted.tube);
    }
    return text;
}

} // namespace

double onScale(IntensityScale scale, double counts) {
    switch (scale) {
    case IntensityScale::SquareRoot:
        return std::copysign(std::sqrt(std::abs(counts)), counts);
    case IntensityScale::Log:
        return counts > 0 ? std::log10(counts) : std::numeric_limits<double>::quiet_NaN();
    case IntensityScale::Linear:
        break;
    }
    return counts;
}

double countsAt(IntensityScale scale, double value) {
    switch (scale) {
    case IntensityScale::SquareRoot:
        return std::copysign(value * value, value);
    case IntensityScale::Log:
        return std::pow(10.0, value);
    case IntensityScale::Linear:
        break;
    }
    return value;
}

std::vector<std::string> plotHeaderLines(const std::vector<PlotScan>& scans, IntensityScale scale) {
    std::vector<Extremes> extremes;
    std::size_t notPositive = 0;
    for (const PlotScan& each : scans) {
        notPositive += extremes.emplace_back(extremesOf(*each.scan)).notPositive;
    }
    std::string scaleText;
    if (scale == IntensityScale::SquareRoot) {
        scaleText = "; square-root scale";
    } else if (scale == IntensityScale::Log) {
        scaleText = "; log scale";
        if (notPositive != 0) {
            scaleText += " (" + groupedDigits(notPositive) +
                         (notPositive == 1 ? " count ≤ 0 left out)" : " counts ≤ 0 left out)");
        }
    }
    if (scans.size() == 1) {
        std::vector<std::string> lines = scanLines(scans.front(), extremes.front());
        lines.back() += scaleText;
        return lines;
    }
    // Of several: how many and where, then one line for each.
    const int decimals = finestDecimals(scans);
    const AxisRange angles = twoThetaRangeOf(scans);
    std::vector<std::string> lines{std::to_string(scans.size()) + " scans",
                                   "2θ " + angleText(angles.low, decimals) + "° to " +
                                       angleText(angles.high, decimals) + "°" + scaleText};
    for (std::size_t i = 0; i < scans.size(); ++i) {
        lines.push_back(legendText(scans[i], extremes[i]));
    }
    return lines;
}

std::vector<Tick> intensityTicksOf(const std::vector<PlotScan>& scans, int frameHeight,
                                   double pixelRatio, const PlotView& view) {
    return intensityTicks(intensityAxisOf(scans, view), view.scale, std::max(frameHeight, 1),
                          intensityTickSpacing * pixelRatio);
}

AxisRange twoThetaRangeOf(const std::vector<PlotScan>& scans) {
    if (scans.empty()) {
        return {0, 1};
    }
    AxisRange range = angleRangeOf(*scans.front().scan);
    for (const PlotScan& each : scans) {
        const AxisRange angles = angleRangeOf(*each.scan);
        range = {std::min(range.low, angles.low), std::max(range.high, angles.high)};
    }
    return rangeOf(range.low, range.high);
}

PlotLayout layOutPlot(const std::vector<PlotScan>& scans, PixelSize frame, double pixelRatio,
                      const PlotView& view) {
    PlotLayout layout;
    layout.frame = {std::max(frame.width, 1), std::max(frame.height, 1)};
    layout.scale = view.scale;
    const double width = layout.frame.width;
    const double height = layout.frame.height;
    layout.twoTheta = view.twoTheta && view.twoTheta->low < view.twoTheta->high
                          ? *view.twoTheta
                          : twoThetaRangeOf(scans);
    const IntensityAxis axis = intensityAxisOf(scans, view);
    layout.intensity = axis.range;

    const AxisRange x = layout.twoTheta;
    const AxisRange y = layout.intensity;
    const double xScale = width / (x.high - x.low);
    const double yScale = height / (y.high - y.low);
    const IntensityScale scale = view.scale;
    const auto xOf = [&](double angle) { return (angle - x.low) * xScale; };
    const auto yOf = [&](double counts) { return (y.high - onScale(scale, counts)) * yScale; };
    layout.twoThetaTicks = ticksOf(x, width, twoThetaTickSpacing * pixelRatio, xOf);
    layout.intensityTicks = intensityTicks(axis, scale, height, intensityTickSpacing * pixelRatio);
    layout.twoThetaTitle = "2θ (°)";
    layout.intensityTitle = "Intensity (counts)";

    const int columns = layout.frame.width;
    for (const PlotScan& each : scans) {
        const ScanRecord& scan = *each.scan;
        const PointSpan span = spanOf(scan, view.twoTheta);
        Pattern& pattern = layout.patterns.emplace_back();
        // A dot at each point where they lie far enough apart for one.
        const bool dotted = std::abs(scan.stepSize) * xScale >= dotSpacing * pixelRatio;
        // A run is kept aside while it stays in its first column, and becomes
        // a line once it leaves it, or a mark if it never does.
        std::optional<ColumnDecimator> decimator;
        std::vector<PlotPoint> firstColumn;
        int markColumn = -1;
        const auto endRun = [&] {
            if (decimator) {
                decimator->flush();
                decimator.reset();
            } else if (!firstColumn.empty()) {
                const auto [highest, lowest] = std::minmax_element(
                    firstColumn.begin(), firstColumn.end(),
                    [](const PlotPoint& a, const PlotPoint& b) { return a.y < b.y; });
                const int column = columnOf(firstColumn.front().x, columns);
                if (column != markColumn) {
                    pattern.marks.push_back({firstColumn.front().x, highest->y, lowest->y});
                    markColumn = column;
                } else {
                    ColumnMark& mark = pattern.marks.back();
                    mark.top = std::min(mark.top, highest->y);
                    mark.bottom = std::max(mark.bottom, lowest->y);
                }
            }
            firstColumn.clear();
        };
        const auto add = [&](float angle, float intensity) {
            const PlotPoint point{xOf(angle), yOf(intensity)};
            if (dotted) {
                pattern.dots.push_back(point);
            }
            if (decimator) {
                decimator->add(point);
            } else if (firstColumn.empty() ||
                       columnOf(point.x, columns) == columnOf(firstColumn.front().x, columns)) {
                firstColumn.push_back(point);
            } else {
                decimator.emplace(pattern.lines.emplace_back(), columns);
                for (const PlotPoint& kept : firstColumn) {
                    decimator->add(kept);
                }
                firstColumn.clear();
                decimator->add(point);
            }
        };
        // A point that is not finite is marked, not a count the log scale
        // leaves out.
        const auto gap = [&](float angle, float intensity) {
            endRun();
            if (!std::isfinite(intensity) && angle >= x.low && angle <= x.high &&
                (layout.gaps.empty() ||
                 columnOf(xOf(angle), columns) != columnOf(layout.gaps.back(), columns))) {
                layout.gaps.push_back(xOf(angle));
            }
        };
        forEachPoint(scan, span, scale, add, gap);
        endRun();
    }
    std::sort(layout.gaps.begin(), layout.gaps.end());

    layout.headerLines = plotHeaderLines(scans, scale);
    layout.legendLine = scans.size() > 1 ? 2 : 0;
    return layout;
}

std::optional<double> dSpacing(double twoTheta, double wavelength) {
    if (!(twoTheta > 0 && twoTheta < 180)) {
        return std::nullopt;
    }
    constexpr double degree = 3.14159265358979323846 / 180;
    return wavelength / (2 * std::sin(twoTheta / 2 * degree));
}

std::optional<std::size_t> nearestPoint(const ScanRecord& scan, double twoTheta) {
    const std::size_t points = scan.intensities.size();
    if (points == 0 || !std::isfinite(twoTheta)) {
        return std::nullopt;
    }
    const double step = scan.stepSize;
    if (points == 1 || step == 0 || !std::isfinite(step)) {
        return std::abs(twoTheta - twoThetaAt(scan, 0)) <= std::abs(step) / 2
                   ? std::optional<std::size_t>(0)
                   : std::nullopt;
    }
    const double index = std::round((twoTheta - scan.startTwoTheta) / step);
    if (index < 0 || index > static_cast<double>(points - 1)) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(index);
}

std::string readoutText(const std::vector<PlotScan>& scans, double twoTheta) {
    std::string text = "2θ " + angleText(twoTheta, finestDecimals(scans) + 1) + "°";
    // One d for each tube, in the order the scans first name them.
    std::vector<Anode> tubes;
    for (const PlotScan& each : scans) {
        if (each.tube && std::find(tubes.begin(), tubes.end(), *each.tube) == tubes.end()) {
            tubes.push_back(*each.tube);
        }
    }
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        const std::optional<double> d = dSpacing(twoTheta, wavelengthsOf(tubes[i]).alpha1);
        text += i == 0 ? "   d " : "  ";
        text += d ? angleText(*d, 4) + " Å" : "–";
        if (tubes.size() > 1) {
            text += " (" + std::string(anodeName(tubes[i])) + ")";
        }
    }
    std::string counts;
    std::optional<std::string> angle; // of the first scan's nearest point
    for (std::size_t i = 0; i < scans.size(); ++i) {
        const ScanRecord& scan = *scans[i].scan;
        const std::optional<std::size_t> nearest = nearestPoint(scan, twoTheta);
        counts += i == 0 ? "" : " / ";
        if (!nearest) {
            counts += "–";
            continue;
        }
        const float intensity = scan.intensities[*nearest];
        counts += std::isfinite(intensity) ? countText(intensity) : "not finite";
        if (!angle) {
            angle = angleText(twoThetaAt(scan, *nearest), decimalsOf(scan.stepSize));
        }
    }
    if (angle) {
        text += std::string(scans.size() == 1 ? "   point " : "   points ") + *angle +
                "°: " + counts + " counts";
    }
    return text;
}

std::string thumbnailPath(const ScanRecord& scan, int columns, int rows) {
    // The plot's ranges and pixels, in one pass that keeps no point: a
    // column's extent, as the plot's pattern has it there.
    const int width = std::max(columns, 1);
    const double height = std::max(rows - 1, 1);
    const AxisRange x = twoThetaRangeOf(scan);
    const AxisRange y = intensityRangeOf(scan);
    const double xScale = width / (x.high - x.low);
    const double yScale = height / (y.high - y.low);

    std::string path;
    path.reserve(2048);
    long at = 0;        // the pen's row
    int penColumn = -2; // and column, within a run
    // One column's stroke, from the end nearer the pen, joined to the pen's
    // column within a run: one column on by "h1", further by "L".
    const auto stroke = [&](int column, float most, float least, bool joined) {
        const long top = std::lround((y.high - most) * yScale);
        const long bottom = std::lround((y.high - least) * yScale);
        const bool downwards = !joined || std::abs(at - top) <= std::abs(at - bottom);
        const long first = downwards ? top : bottom;
        const long last = downwards ? bottom : top;
        const auto append = [&path](std::string_view command, long value) {
            char digits[24];
            path += command;
            path.append(digits, std::to_chars(digits, std::end(digits), value).ptr);
        };
        const bool nextColumn = joined && column == penColumn + 1;
        if (!joined) {
            append("M", column);
            append(" ", first);
        } else if (nextColumn) {
            append("h1V", first);
        } else {
            append("L", column);
            append(" ", first);
        }
        // A column alone is a stroke of no length: a dot, with round caps.
        if (!joined || last != first) {
            append(nextColumn ? " " : "V", last);
        }
        at = last;
        penColumn = column;
    };
    // The run of finite points being drawn: its column so far, and whether
    // it has left an earlier one, which makes it a line. A run that never
    // does is a mark, drawn after every line, as the plot draws them. Its
    // extent is kept in counts, and made rows (downwards) once it is drawn.
    struct Extent {
        int column = -1;
        float most = 0;
        float least = 0;
    };
    std::optional<Extent> current;
    bool line = false;
    std::vector<Extent> marks;
    const auto endRun = [&] {
        if (current && line) {
            stroke(current->column, current->most, current->least, true);
        } else if (current && (marks.empty() || marks.back().column != current->column)) {
            marks.push_back(*current);
        } else if (current) {
            marks.back().most = std::max(marks.back().most, current->most);
            marks.back().least = std::min(marks.back().least, current->least);
        }
        current.reset();
        line = false;
    };
    const auto add = [&](float angle, float intensity) {
        const int column = columnOf((angle - x.low) * xScale, width);
        if (current && current->column == column) {
            current->most = std::max(current->most, intensity);
            current->least = std::min(current->least, intensity);
            return;
        }
        if (current) {
            stroke(current->column, current->most, current->least, line);
            line = true;
        }
        current = Extent{column, intensity, intensity};
    };
    forEachPoint(scan, add, [&](float, float) { endRun(); });
    endRun();
    for (const Extent& mark : marks) {
        stroke(mark.column, mark.most, mark.least, false);
    }
    return path;
}

} // namespace scanmill
