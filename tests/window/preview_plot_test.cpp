// SPDX-License-Identifier: MIT
#include "preview_plot.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace scanmill {
namespace {

// 10° to 30° in steps of 0.02°.
ScanPreview previewOf(float height) {
    ScanPreview preview;
    preview.sourceName = "s.raw";
    preview.scan.startTwoTheta = 10;
    preview.scan.stepSize = 0.02F;
    preview.scan.intensities.assign(1001, height);
    preview.scan.pointCount = 1001;
    return preview;
}

const PlotFonts fonts{15, 15, [](std::string_view text) { return 7.0 * text.size(); }};

// Placed as a window paints it, in an 800 x 500 window.
PlacedPlot paint(PreviewPlot& plot) {
    return plot.place({0, 0, 800, 500}, fonts, 1, 1);
}

double width(const PlotView& view) {
    return view.twoTheta->high - view.twoTheta->low;
}

// Zoom and pan keep to the scans' range and to four steps at the closest; a
// change of scale drops a zoom in counts; what changes nothing says so.
TEST(PreviewPlot, ZoomAndPanStayWithinTheScans) {
    PreviewPlot plot({previewOf(10)});
    paint(plot);
    const PlotRect frame = plot.frame();
    const double middleX = frame.left + frame.width / 2;
    const double middleY = frame.top + frame.height / 2;
    EXPECT_FALSE(plot.key(PreviewKey::Left)) << "nothing to move while all shows";
    EXPECT_FALSE(plot.wheel(frame.left - 5, middleY, 1, false)) << "off the frame";

    EXPECT_TRUE(plot.wheel(middleX, middleY, 1, false));
    EXPECT_NEAR(width(plot.view()), 16, 1e-9);
    paint(plot);
    for (int i = 0; i < 10; ++i) {
        plot.key(PreviewKey::Left);
        paint(plot);
    }
    EXPECT_EQ(plot.view().twoTheta->low, 10);
    EXPECT_NEAR(width(plot.view()), 16, 1e-9);

    plot.wheel(middleX, middleY, 100, false);
    EXPECT_NEAR(width(plot.view()), 4 * 0.02, 1e-6);
    paint(plot);
    plot.wheel(middleX, middleY, -100, false);
    EXPECT_FALSE(plot.view().twoTheta) << "zoomed out past all of it";

    // A drag of a few pixels is a click.
    paint(plot);
    plot.pressed(middleX, middleY);
    plot.moved(middleX + 2, middleY);
    EXPECT_TRUE(plot.band());
    plot.released(middleX + 2, middleY);
    EXPECT_FALSE(plot.band());
    EXPECT_FALSE(plot.view().twoTheta);

    EXPECT_TRUE(plot.key(PreviewKey::Up));
    ASSERT_TRUE(plot.view().intensity);
    EXPECT_TRUE(plot.key(PreviewKey::Log));
    EXPECT_FALSE(plot.view().intensity);
    EXPECT_FALSE(plot.key(PreviewKey::Log));
}

// The line below the plot: the read-out over the frame, the keys' hint off
// it.
TEST(PreviewPlot, ReadOutFollowsTheCursor) {
    PreviewPlot plot({previewOf(4308), previewOf(7)});
    EXPECT_EQ(plot.caption(), "2 scans - Scanmill");
    EXPECT_EQ(paint(plot).readout, previewHint);
    const PlotRect frame = plot.frame();
    EXPECT_TRUE(plot.moved(frame.left + frame.width / 4, frame.top + 10));
    const std::string readout = paint(plot).readout;
    EXPECT_EQ(readout.substr(0, readout.find("   d ")), "2θ 15.000°") << readout;
    EXPECT_NE(readout.find("points 15.00°: 4,308 / 7 counts"), std::string::npos) << readout;
    EXPECT_TRUE(plot.left());
    EXPECT_EQ(paint(plot).readout, previewHint);
}

} // namespace
} // namespace scanmill
