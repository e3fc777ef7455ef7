// SPDX-License-Identifier: MIT
#include "plot_layout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <set>
#include <utility>

namespace scanmill {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

ScanRecord scanOf(float start, float step, std::vector<float> intensities) {
    ScanRecord scan;
    scan.startTwoTheta = start;
    scan.stepSize = step;
    scan.pointCount = static_cast<std::int16_t>(intensities.size());
    scan.intensities = std::move(intensities);
    return scan;
}

std::vector<float> fullLengthPeak() {
    std::vector<float> values(32767);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float x = static_cast<float>(i) * 0.01F - 100.0F;
        values[i] = 120.0F + 15000.0F / (1.0F + x * x) + static_cast<float>(i % 7);
    }
    return values;
}

std::vector<std::string> labelsOf(const std::vector<Tick>& ticks) {
    std::vector<std::string> labels;
    for (const Tick& tick : ticks) {
        labels.push_back(tick.label);
    }
    return labels;
}

// The pixels a plot's lines cover, x scaled by xScale: each segment
// sampled finely enough to visit every pixel it crosses.
std::set<std::pair<int, int>> pixelsOf(const PlotLayout& layout, double xScale) {
    std::set<std::pair<int, int>> pixels;
    const auto pixel = [](double v) { return static_cast<int>(std::floor(v + 1e-9)); };
    for (const std::vector<PlotPoint>& line : layout.patterns[0].lines) {
        for (std::size_t i = 0; i + 1 < line.size(); ++i) {
            const PlotPoint a{line[i].x * xScale, line[i].y};
            const PlotPoint b{line[i + 1].x * xScale, line[i + 1].y};
            const int steps =
                static_cast<int>(std::ceil(4 * std::max(std::abs(b.x - a.x), std::abs(b.y - a.y))));
            for (int step = 0; step <= steps; ++step) {
                const double t = steps == 0 ? 0 : static_cast<double>(step) / steps;
                pixels.insert({pixel(a.x + (b.x - a.x) * t), pixel(a.y + (b.y - a.y) * t)});
            }
        }
    }
    return pixels;
}

// Decimation draws the same pixels as every point would: the layout of a
// frame so wide that no column holds two points keeps every point, and
// scaled back to the frame it covers the pixels the decimated lines cover.
void expectPixelsOfEveryPoint(const ScanRecord& scan, const PlotLayout& layout) {
    const int spread = 2 * static_cast<int>(scan.intensities.size() / layout.frame.width + 1);
    const PlotLayout every =
        layOutPlot(scan, "", {layout.frame.width * spread, layout.frame.height});
    EXPECT_EQ(pixelsOf(layout, 1), pixelsOf(every, 1.0 / spread));
}

// Ticks as every axis has them: at least three, inside the range, a step of
// 1, 2 or 5 times a power of ten apart, and as far apart in pixels as in
// value, up the axis as the values grow.
void expectNiceTicks(const std::vector<Tick>& ticks, AxisRange range, bool upwards) {
    ASSERT_GE(ticks.size(), 3u);
    const double step = ticks[1].value - ticks[0].value;
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                std::abs(mantissa - 5) < 1e-6)
        << step;
    const double pixelStep = ticks[1].pixel - ticks[0].pixel;
    EXPECT_EQ(pixelStep > 0, !upwards);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i].value, range.low - 1e-9 * std::abs(range.low));
        EXPECT_LE(ticks[i].value, range.high + 1e-9 * std::abs(range.high));
        if (i > 0) {
            EXPECT_NEAR(ticks[i].value - ticks[i - 1].value, step, 1e-9 * std::abs(step) * 10);
            EXPECT_NEAR(ticks[i].pixel - ticks[i - 1].pixel, pixelStep, 1e-6);
        }
    }
}

// Ranges, ticks, decimation and breaks of the line. Frames of 400 x 200
// pixels aim at 4 ticks on either axis.
TEST(PlotLayout, RangesTicksAndLines) {
    struct Case {
        const char* name;
        ScanRecord scan;
        PixelSize frame;
        AxisRange twoTheta;
        AxisRange intensity;
        std::vector<std::string> twoThetaLabels;
        std::vector<std::string> intensityLabels;
        std::vector<std::size_t> lineSizes;
    };
    const std::vector<float> peak = fullLengthPeak();
    const std::vector<Case> cases = {
        {"sharp peak",
         scanOf(10, 1, {0, 0, 100, 0, 0}),
         {400, 200},
         {10, 14},
         {0, 100},
         {"10", "11", "12", "13", "14"},
         {"0", "20", "40", "60", "80", "100"},
         {5}},
        {"intensity from 0 when all counts are above it",
         scanOf(20, 0.5F, {100, 300, 200}),
         {400, 200},
         {20, 21},
         {0, 300},
         {"20.0", "20.2", "20.4", "20.6", "20.8", "21.0"},
         {"0", "100", "200", "300"},
         {3}},
        {"negative counts lower the axis",
         scanOf(5, 2.5F, {-50, 150}),
         {400, 200},
         {5, 7.5},
         {-50, 150},
         {"5.0", "5.5", "6.0", "6.5", "7.0", "7.5"},
         {"-50", "0", "50", "100", "150"},
         {2}},
        {"flat scan from 0 as any other; angles get 1 either side",
         scanOf(2, 1, {7, 7, 7}),
         {400, 200},
         {2, 4},
         {0, 7},
         {"2.0", "2.5", "3.0", "3.5", "4.0"},
         {"0", "2", "4", "6"},
         {3}},
        {"one point: both axes around it",
         scanOf(30, 0.02F, {0}),
         {400, 200},
         {29, 31},
         {-1, 1},
         {"29.0", "29.5", "30.0", "30.5", "31.0"},
         {"-1.0", "-0.5", "0.0", "0.5", "1.0"},
         {}},
        {"angles falling",
         scanOf(30, -0.5F, {1, 2, 4}),
         {400, 200},
         {29, 30},
         {0, 4},
         {"29.0", "29.2", "29.4", "29.6", "29.8", "30.0"},
         {"0", "1", "2", "3", "4"},
         {3}},
        {"no finite count: no line",
         scanOf(10, 1, {nan, inf, -inf}),
         {400, 200},
         {10, 12},
         {0, 1},
         {"10.0", "10.5", "11.0", "11.5", "12.0"},
         {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"},
         {}},
        {"no points",
         scanOf(10, 1, {}),
         {400, 200},
         {9, 11},
         {0, 1},
         {"9.0", "9.5", "10.0", "10.5", "11.0"},
         {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"},
         {}},
        {"breaks at NaN and infinities, not counted in the range",
         scanOf(0, 1, {1, 2, nan, 3, 4, inf, 9, -inf, nan, 5}),
         {400, 200},
         {0, 9},
         {0, 9},
         {"0", "2", "4", "6", "8"},
         {"0", "2", "4", "6", "8"},
         {2, 2}},
        {"counts of ten digits in exponent form",
         scanOf(0, 1, {0, 3e9F}),
         {400, 200},
         {0, 1},
         {0, 3e9},
         {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"},
         {"0", "1e+09", "2e+09", "3e+09"},
         {2}},
        {"full-length scan: at most four points a column",
         scanOf(5, 0.01F, peak),
         {300, 200},
         {5, 5 + 32766 * 0.01F},
         {0, *std::max_element(peak.begin(), peak.end())},
         {"100", "200", "300"},
         {"0", "5000", "10000", "15000"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PlotLayout layout = layOutPlot(c.scan, "", c.frame);
        EXPECT_NEAR(layout.twoTheta.low, c.twoTheta.low, 1e-4);
        EXPECT_NEAR(layout.twoTheta.high, c.twoTheta.high, 1e-4);
        // 5 % to spare either way, so that no point touches the frame.
        const double spare = 0.05 * (c.intensity.high - c.intensity.low);
        EXPECT_NEAR(layout.intensity.low, c.intensity.low - spare, 1e-4);
        EXPECT_NEAR(layout.intensity.high, c.intensity.high + spare, 1e-4);
        EXPECT_EQ(labelsOf(layout.twoThetaTicks), c.twoThetaLabels);
        EXPECT_EQ(labelsOf(layout.intensityTicks), c.intensityLabels);
        expectNiceTicks(layout.twoThetaTicks, layout.twoTheta, false);
        expectNiceTicks(layout.intensityTicks, layout.intensity, true);
        if (c.scan.intensities.size() < 1000) {
            std::vector<std::size_t> sizes;
            for (const auto& line : layout.patterns[0].lines) {
                sizes.push_back(line.size());
            }
            EXPECT_EQ(sizes, c.lineSizes);
        } else {
            ASSERT_EQ(layout.patterns[0].lines.size(), 1u);
            EXPECT_LE(layout.patterns[0].lines[0].size(), 4u * c.frame.width);
        }
        expectPixelsOfEveryPoint(c.scan, layout);
    }
}

// Runs that begin and end in one pixel column are merged per column into a
// mark from the highest of their points to the lowest: a scan whose every
// other point is NaN draws one mark a column, not a dot a point.
TEST(PlotLayout, RunsWithinOneColumnAreOneMarkPerColumn) {
    std::vector<float> values(32767);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i % 2 == 1 ? nan : static_cast<float>((i * 7919) % 1000);
    }
    const PlotLayout layout = layOutPlot(scanOf(5, 0.01F, values), "", {300, 200});
    EXPECT_TRUE(layout.patterns[0].lines.empty());
    ASSERT_EQ(layout.patterns[0].marks.size(), 300u);
    for (std::size_t column = 0; column < layout.patterns[0].marks.size(); ++column) {
        const ColumnMark& mark = layout.patterns[0].marks[column];
        EXPECT_EQ(static_cast<std::size_t>(mark.x), column);
        // Some fifty counts spread over 0 to 999 reach near both ends.
        EXPECT_LT(mark.top, 20);
        EXPECT_GT(mark.bottom, 180);
    }
    const PlotLayout lone = layOutPlot(scanOf(0, 1, {nan, 3, nan, 5, 6}), "", {400, 200});
    ASSERT_EQ(lone.patterns[0].marks.size(), 1u) << "a lone point is a mark";
    EXPECT_EQ(lone.patterns[0].marks[0].top, lone.patterns[0].marks[0].bottom);
    EXPECT_EQ(lone.patterns[0].lines.size(), 1u);
}

// Labels longer than 7 characters in fixed form are written in exponent
// form, every label of the axis alike, so that none runs under the title.
TEST(PlotLayout, LongLabelsInExponentForm) {
    EXPECT_EQ(labelsOf(layOutPlot(scanOf(0, 1, {0, 3.5e-12F}), "", {400, 200}).intensityTicks),
              (std::vector<std::string>{"0", "1e-12", "2e-12", "3e-12"}));
    EXPECT_EQ(labelsOf(layOutPlot(scanOf(0, 1, {-1.1e-12F, 0}), "", {400, 200}).intensityTicks),
              (std::vector<std::string>{"-1e-12", "-8e-13", "-6e-13", "-4e-13", "-2e-13", "0"}));
    EXPECT_EQ(labelsOf(layOutPlot(scanOf(0, 1, {0, 3e7F}), "", {400, 200}).intensityTicks),
              (std::vector<std::string>{"0", "1e+07", "2e+07", "3e+07"}));
    EXPECT_EQ(labelsOf(layOutPlot(scanOf(0, 1, {0, 2.5e7F}), "", {400, 400}).intensityTicks),
              (std::vector<std::string>{"0", "5e+06", "1e+07", "1.5e+07", "2e+07", "2.5e+07"}));
    EXPECT_EQ(labelsOf(layOutPlot(scanOf(0, 1, {0, 3e6F}), "", {400, 200}).intensityTicks),
              (std::vector<std::string>{"0", "1000000", "2000000", "3000000"}));
}

// Angles as precise as the step, numbers with their leading zero.
TEST(PlotLayout, HeaderLinesShowTheScanEscaped) {
    ScanRecord scan = scanOf(70.53201F, 0.01F, {1, nan, 4308});
    scan.title = "Quartz\x1b[31m \xE9tat";
    scan.dateText = "14-FEB-05   ";
    scan.timeText = "10:32:07";
    scan.stepTime = {0x00, 0x00, 0x00, 0x3F}; // 0.5
    const PlotLayout layout = layOutPlot({{&scan, "s\n1.raw", Anode::Co}}, {400, 200});
    EXPECT_EQ(layout.headerLines,
              (std::vector<std::string>{
                  "Quartz\\e[31m \u00E9tat", "s\\n1.raw, 14-FEB-05 10:32:07",
                  "2θ 70.53° to 70.55°, step 0.01°, Co Kα1 1.788965 Å",
                  "3 points (1 not finite), step time 0.5 s, highest 4,308 counts at 70.55°"}));
    EXPECT_EQ(layout.legendLine, 0U);
}

// Overlaid scans: the ranges cover all of them, each has its pattern, and
// the header names each in a legend line.
TEST(PlotLayout, OverlaysCoverEveryScan) {
    ScanRecord low = scanOf(10, 0.5F, std::vector<float>(21, 100));
    ScanRecord high = scanOf(15, 0.5F, std::vector<float>(31, 500));
    low.title = "Low";
    high.title = "High";
    const PlotLayout layout =
        layOutPlot({{&low, "a.raw", Anode::Cu}, {&high, "b.raw", std::nullopt}}, {800, 400});
    EXPECT_EQ(layout.twoTheta.low, 10);
    EXPECT_EQ(layout.twoTheta.high, 30);
    EXPECT_NEAR(layout.intensity.high, 525, 1e-9) << "500 with 5 % to spare";
    ASSERT_EQ(layout.patterns.size(), 2U);
    EXPECT_EQ(layout.patterns[1].lines.front().front().x, 200) << "15° of 10° to 30°";
    EXPECT_EQ(layout.legendLine, 2U);
    EXPECT_EQ(layout.headerLines,
              (std::vector<std::string>{"2 scans", "2θ 10.0° to 30.0°",
                                        "a.raw: Low, highest 100 counts at 10.0°, Cu Kα1 1.5406 Å",
                                        "b.raw: High, highest 500 counts at 15.0°"}));
}

// Points far enough apart each get a dot, and a point that is not finite a
// mark on the axis; a long scan gets neither.
TEST(PlotLayout, SparsePointsGetDotsAndGapsAMark) {
    const ScanRecord sparse = scanOf(0, 1, {1, 2, 3, 4, 5, nan, 7, 8, 9, 10, 11});
    const PlotLayout layout = layOutPlot(sparse, "", {800, 400});
    EXPECT_EQ(layout.patterns[0].dots.size(), 10U);
    EXPECT_EQ(layout.gaps, std::vector<double>{400});
    const PlotLayout dense = layOutPlot(scanOf(5, 0.01F, fullLengthPeak()), "", {800, 400});
    EXPECT_TRUE(dense.patterns[0].dots.empty());
    EXPECT_TRUE(dense.gaps.empty());
}

// The cursor's 2θ one decimal finer than the step, d from each tube's
// K-alpha1, and the nearest point of each scan.
TEST(PlotReadout, TwoThetaDAndNearestPoints) {
    const ScanRecord cu = scanOf(26.6F, 0.01F, {100, 200, 300, 400, 4308, 400});
    const ScanRecord co = scanOf(26.65F, 0.01F, {7, 8});
    EXPECT_EQ(readoutText({{&cu, "a.raw", Anode::Cu}}, 26.64),
              "2θ 26.640°   d 3.3435 Å   point 26.64°: 4,308 counts");
    EXPECT_EQ(readoutText({{&cu, "a.raw", Anode::Co}}, 26.64),
              "2θ 26.640°   d 3.8825 Å   point 26.64°: 4,308 counts");
    EXPECT_EQ(readoutText({{&cu, "a.raw", Anode::Cu}, {&co, "b.raw", Anode::Co}}, 26.64),
              "2θ 26.640°   d 3.3435 Å (Cu)  3.8825 Å (Co)   points 26.64°: 4,308 / – counts");
    const ScanRecord fractions = scanOf(26.64F, 0.01F, {-1205.75F});
    EXPECT_EQ(readoutText({{&fractions, "c.raw", std::nullopt}}, 26.64),
              "2θ 26.640°   point 26.64°: -1,205.75 counts");
    EXPECT_EQ(nearestPoint(cu, 26.596), 0U);
    EXPECT_EQ(nearestPoint(cu, 26.654), 5U);
    EXPECT_FALSE(nearestPoint(cu, 26.66));
    EXPECT_FALSE(dSpacing(0, 1.5406));
}

// A peak of 10^6 counts beside weak ones of 60 to 150: on the square-root
// and log scales the weak ones stand clear of the axis, the ticks stay at
// readable counts, as far apart as the axis aims at, and the log scale
// breaks the pattern at a count of 0 and says so.
TEST(PlotLayout, ScalesShowWeakPeaksBesideAStrongOne) {
    const ScanRecord scan = scanOf(10, 1, {20, 150, 20, 1e6F, 20, 60, 0, 20, 100, 20});
    const double weakest = 60;
    for (const IntensityScale scale : {IntensityScale::SquareRoot, IntensityScale::Log}) {
        SCOPED_TRACE(static_cast<int>(scale));
        PlotView view;
        view.scale = scale;
        const PlotLayout layout = layOutPlot(scan, "", {400, 400}, 1, view);
        const auto pixelOf = [&](double counts) {
            return (layout.intensity.high - onScale(scale, counts)) * 400 /
                   (layout.intensity.high - layout.intensity.low);
        };
        // On the linear scale it would rise 0.02 pixels over 0.
        const bool log = scale == IntensityScale::Log;
        EXPECT_GT(pixelOf(log ? 20 : 0) - pixelOf(weakest), log ? 30 : 2.5)
            << "the weak peak stands clear of the background";
        EXPECT_GT(pixelOf(1e6), 0) << "and the strong one below the frame's top";
        std::vector<Tick> labelled;
        for (const Tick& tick : layout.intensityTicks) {
            EXPECT_NEAR(tick.pixel, pixelOf(tick.value), 1e-6);
            if (!tick.label.empty()) {
                labelled.push_back(tick);
            }
        }
        ASSERT_GE(labelled.size(), 4u);
        for (std::size_t i = 0; i < labelled.size(); ++i) {
            const double value = labelled[i].value;
            const double power = std::pow(10.0, std::floor(std::log10(std::max(value, 1.0))));
            const double mantissa = value / power;
            EXPECT_TRUE(value == 0 || std::abs(mantissa - std::round(mantissa)) < 1e-9)
                << labelled[i].label;
            if (i > 0) {
                EXPECT_LT(labelled[i - 1].value, value);
                EXPECT_GE(labelled[i - 1].pixel - labelled[i].pixel, 50 - 1e-9);
            }
        }
        if (scale == IntensityScale::Log) {
            EXPECT_EQ(labelsOf(labelled),
                      (std::vector<std::string>{"100", "1000", "10000", "100000", "1000000"}));
            EXPECT_EQ(layout.patterns[0].lines.size(), 2u) << "broken at the 0";
            EXPECT_TRUE(layout.headerLines[3].ends_with("; log scale (1 count ≤ 0 left out)"));
        }
    }
}

// A zoomed view is laid out again for its range: every point within it is
// kept where the columns outnumber them, with the next one either side so
// that the line runs on to the frame, and the intensity axis spans what the
// view shows.
TEST(PlotLayout, ZoomedViewKeepsEveryPointWithin) {
    const ScanRecord scan = scanOf(5, 0.01F, fullLengthPeak());
    PlotView view;
    view.twoTheta = AxisRange{104.5, 105.5}; // 101 points, around the peak at 105
    const PlotLayout layout = layOutPlot(scan, "", {1920, 400}, 1, view);
    EXPECT_EQ(layout.twoTheta.low, 104.5);
    EXPECT_EQ(layout.twoTheta.high, 105.5);
    ASSERT_EQ(layout.patterns[0].lines.size(), 1u);
    EXPECT_EQ(layout.patterns[0].lines[0].size(), 103u);
    EXPECT_LT(layout.patterns[0].lines[0].front().x, 0);
    EXPECT_GT(layout.patterns[0].lines[0].back().x, 1920);
    view.intensity = AxisRange{100, 200};
    const PlotLayout zoomedIn = layOutPlot(scan, "", {1920, 400}, 1, view);
    EXPECT_EQ(zoomedIn.intensity.low, 100);
    EXPECT_EQ(zoomedIn.intensity.high, 200);
}

// A thumbnail is one stroke a column, joined along a run however sparse,
// broken only where points are not finite, and small: the worst scan, noise
// over every column, stays under 2 KB.
TEST(PlotLayout, ThumbnailsJoinRunsAndStaySmall) {
    EXPECT_EQ(thumbnailPath(scanOf(10, 1, {0, 4, 2}), 200, 100), "M0 99V99L100 0L199 50");
    EXPECT_EQ(thumbnailPath(scanOf(10, 1, {0, 4, nan, 2, 1}), 200, 100),
              "M0 99V99L50 0M150 50V50L199 74");
    std::vector<float> noise(32767);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<float>((i * 7919) % 1000);
    }
    const std::string path = thumbnailPath(scanOf(5, 0.01F, noise), 200, 100);
    EXPECT_LT(path.size(), 2000u - 100u); // room for the element around it
    EXPECT_EQ(std::count(path.begin(), path.end(), 'M'), 1);
}

} // namespace
} // namespace scanmill
