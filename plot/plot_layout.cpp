// SPDX-License-Identifier: MIT
#include "plot_layout.h"

#include "field_text.h"
#include "names.h"
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
AxisRange twoThetaRangeOf(const ScanRecord& scan) {
    const std::size_t points = scan.intensities.size();
    const double first = points == 0 ? scan.startTwoTheta : twoThetaAt(scan, 0);
    const double last = points == 0 ? scan.startTwoTheta : twoThetaAt(scan, points - 1);
    return rangeOf(std::min(first, last), std::max(first, last));
}

// Each point in order: point(angle, intensity) where both are finite, and
// gap() where not, which breaks the pattern there.
template <typename Point, typename Gap>
void forEachPoint(const ScanRecord& scan, Point point, Gap gap) {
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        const float angle = twoThetaAt(scan, i);
        const float intensity = scan.intensities[i];
        if (std::isfinite(intensity) && std::isfinite(angle)) {
            point(angle, intensity);
        } else {
            gap();
        }
    }
}

} // namespace

std::vector<std::string> plotHeaderLines(const ScanRecord& scan, std::string_view sourceName) {
    const std::size_t points = scan.intensities.size();
    const std::string when = dateTimeText(scan);
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
    const std::size_t notFinite = nonFinitePoints(scan);
    std::string counted = pointsText(points);
    if (notFinite != 0) {
        counted += " (" + std::to_string(notFinite) + " not finite)";
    }
    return {escapeControls(scan.title, OtherBytes::AsLatin1),
            named + escapeControls(when, OtherBytes::AsLatin1), angles,
            counted + ", step time " + stepTimeText(scan)};
}

std::vector<Tick> intensityTicksOf(const ScanRecord& scan, int frameHeight, double pixelRatio) {
    const AxisRange y = intensityRangeOf(scan);
    const double height = std::max(frameHeight, 1);
    const double yScale = height / (y.high - y.low);
    return ticksOf(y, height, intensityTickSpacing * pixelRatio,
                   [&](double counts) { return (y.high - counts) * yScale; });
}

PlotLayout layOutPlot(const ScanRecord& scan, std::string_view sourceName, PixelSize frame,
                      double pixelRatio) {
    PlotLayout layout;
    layout.frame = {std::max(frame.width, 1), std::max(frame.height, 1)};
    const double width = layout.frame.width;
    const double height = layout.frame.height;
    layout.twoTheta = twoThetaRangeOf(scan);
    layout.intensity = intensityRangeOf(scan);

    const AxisRange x = layout.twoTheta;
    const AxisRange y = layout.intensity;
    const double xScale = width / (x.high - x.low);
    const double yScale = height / (y.high - y.low);
    const auto xOf = [&](double angle) { return (angle - x.low) * xScale; };
    const auto yOf = [&](double counts) { return (y.high - counts) * yScale; };
    layout.twoThetaTicks = ticksOf(x, width, twoThetaTickSpacing * pixelRatio, xOf);
    layout.intensityTicks = ticksOf(y, height, intensityTickSpacing * pixelRatio, yOf);
    layout.twoThetaTitle = "2θ (°)";
    layout.intensityTitle = "Intensity (counts)";

    // A run is kept aside while it stays in its first column, and becomes a
    // line once it leaves it, or a mark if it never does.
    const int columns = layout.frame.width;
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
                layout.marks.push_back({firstColumn.front().x, highest->y, lowest->y});
                markColumn = column;
            } else {
                ColumnMark& mark = layout.marks.back();
                mark.top = std::min(mark.top, highest->y);
                mark.bottom = std::max(mark.bottom, lowest->y);
            }
        }
        firstColumn.clear();
    };
    const auto add = [&](float angle, float intensity) {
        const PlotPoint point{xOf(angle), yOf(intensity)};
        if (decimator) {
            decimator->add(point);
        } else if (firstColumn.empty() ||
                   columnOf(point.x, columns) == columnOf(firstColumn.front().x, columns)) {
            firstColumn.push_back(point);
        } else {
            decimator.emplace(layout.lines.emplace_back(), columns);
            for (const PlotPoint& kept : firstColumn) {
                decimator->add(kept);
            }
            firstColumn.clear();
            decimator->add(point);
        }
    };
    forEachPoint(scan, add, endRun);
    endRun();

    layout.headerLines = plotHeaderLines(scan, sourceName);
    return layout;
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
    forEachPoint(scan, add, endRun);
    endRun();
    for (const Extent& mark : marks) {
        stroke(mark.column, mark.most, mark.least, false);
    }
    return path;
}

} // namespace scanmill
