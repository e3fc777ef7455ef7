// SPDX-License-Identifier: MIT
#include "ascii_writer.h"
#include "bruker_writer.h"
#include "scan_files.h"

#include <algorithm>
#include <limits>
#include <memory>
#ifdef SCANMILL_HAVE_XYLIB
#include <xylib/xylib.h>
#endif

namespace scanmill {
namespace {

using namespace testing;

ScanRecord scanOf(std::string title, float start, float step, std::vector<float> intensities) {
    ScanRecord scan;
    scan.title = std::move(title);
    scan.startTwoTheta = start;
    scan.stepSize = step;
    scan.pointCount = static_cast<std::int16_t>(intensities.size());
    scan.intensities = std::move(intensities);
    return scan;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    EXPECT_EQ(begin, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(TwoColumnAscii, WritesTitleHeadingAndOneLinePerPoint) {
    ScratchDirectory dir;
    writeTwoColumnAscii(scanOf("Quartz standard", 10.0F, 0.02F, {100.0F, 250.5F, 0.75F}),
                        dir / "scan01.dat");
    EXPECT_EQ(readFile(dir / "scan01.dat"), "Quartz standard\r\n"
                                            "2theta        Intensity\r\n"
                                            " 10            100 \r\n"
                                            " 10.02         250.5 \r\n"
                                            " 10.04         .75 \r\n");
}

TEST(TwoColumnAscii, AnglesAreSingleProductThenSingleSum) {
    ScratchDirectory dir;
    writeTwoColumnAscii(scanOf("", 5.0F, 0.05F, std::vector<float>(101, 1.0F)), dir / "a.dat");
    const auto lines = linesOf(readFile(dir / "a.dat"));
    ASSERT_EQ(lines.size(), 103u);
    EXPECT_EQ(lines[0], "") << "an empty title gives an empty first line";
    EXPECT_EQ(lines[2 + 99].substr(0, 14), " 9.950001     ") << "point 100";
    EXPECT_EQ(lines[2 + 100].substr(0, 14), " 10           ") << "point 101";
    // A fused multiply-add, which some compilers apply unasked, gives 9.2 and 9.45 here.
    EXPECT_EQ(lines[2 + 84].substr(0, 14), " 9.200001     ") << "point 85";
    EXPECT_EQ(lines[2 + 89].substr(0, 14), " 9.450001     ") << "point 90";
}

TEST(TwoColumnAscii, SecondColumnStartsAtTheSecondPrintZone) {
    ScratchDirectory dir;
    writeTwoColumnAscii(scanOf("t", -1.2345678e-30F, 0.0F, {-3.0F, -1.2345678e-30F, 1e7F}),
                        dir / "a.dat");
    const auto lines = linesOf(readFile(dir / "a.dat"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "-1.234568E-30 -3 ") << "a 14-character angle leaves no extra blank";
    EXPECT_EQ(lines[3], "-1.234568E-30 -1.234568E-30 ");
    EXPECT_EQ(lines[4], "-1.234568E-30  1E+07 ");
}

TEST(TwoColumnAscii, TitleIsWrittenByteForByte) {
    ScratchDirectory dir;
    const std::string title = std::string("\xC5ngstr\xF6m ") + '\0' + "x";
    writeTwoColumnAscii(scanOf(title, 1.0F, 1.0F, {}), dir / "a.dat");
    EXPECT_EQ(readFile(dir / "a.dat"), title + "\r\n2theta        Intensity\r\n");
}

// Written out by hand from the format: sigma is sqrt(max(I, 1)) (so 1 for
// 0, 0.25 and -4), and the fields are those of the two-column text.
TEST(Xye, CommentLinesThenAngleIntensityAndSigma) {
    ScanRecord scan = scanOf("Quartz std", 10.0F, 0.02F, {100.0F, 2.25F, 0.0F, 0.25F, -4.0F});
    scan.dateText = "14-FEB-05   ";
    scan.timeText = "10:32:07";
    scan.stepTime = {0x00, 0x00, 0xC0, 0x3F}; // 1.5 as a little-endian single
    EXPECT_EQ(formatXye(scan, "a.raw"), "# Quartz std\n"
                                        "# 14-FEB-05 10:32:07\n"
                                        "# step time 1.5 s\n"
                                        "# Cu Ka1 1.5406 Ka2 1.54442 angstrom\n"
                                        "# converted from a.raw\n"
                                        " 10  100  10 \n"
                                        " 10.02  2.25  1.5 \n"
                                        " 10.04  0  1 \n"
                                        " 10.06  .25  1 \n"
                                        " 10.08 -4  1 \n");
}

// GSAS-II's xye importers of 2021 to April 2025 read a comment holding a
// lowercase "q", or the word "wavelength", as the mark of Q data, and stop
// at a byte that is not UTF-8; Python splits lines at C1's NEL too. Titles
// hold the instrument PC's code page: Latin-1 or CP437 degrees.
TEST(Xye, CommentLinesArePrintableAsciiWithoutTheMarksOfQData) {
    struct Case {
        const char* title;
        const char* name;
        const char* titleLine;
    };
    for (const Case& c : {
             Case{"quartz standard", "equimolar_q.raw", "# Quartz standard"},
             Case{"wavelength scan", "wavelength.raw", "# Wavelength scan"},
             Case{"hematite 2\xb0/min",
                  "b\xe4"
                  "d.raw",
                  "# hematite 2\\xb0/min"},
             Case{"corundum 2\xf8/min", "c.raw", "# corundum 2\\xf8/min"},
             Case{"quartz 2\xc2\xb0/min", "M\xc3\xbchlbach.raw", "# Quartz 2\\u00b0/min"},
             Case{"a\xc2\x85"
                  "1 2 3\x9b"
                  "31m\x1b[0m\\q",
                  "n\x85.raw", "# a\\u00851 2 3\\x9b31m\\e[0m\\\\Q"},
         }) {
        SCOPED_TRACE(c.title);
        const std::string text = formatXye(scanOf(c.title, 10.0F, 0.02F, {1.0F}), c.name);
        const std::string comments = text.substr(0, text.find("\n ") + 1);
        EXPECT_EQ(comments.substr(0, comments.find('\n')), c.titleLine);
        EXPECT_EQ(std::count(comments.begin(), comments.end(), '\n'), 5) << "no line added";
        EXPECT_TRUE(std::all_of(comments.begin(), comments.end(), [](char x) {
            return x == '\n' || (x >= ' ' && x <= '~');
        })) << comments;
        EXPECT_EQ(comments.find('q'), std::string::npos) << comments;
        EXPECT_EQ(comments.find("wavelength"), std::string::npos) << comments;
    }
}

// A NaN row stops some readers and gives others a count of 1; the x
// column makes the gap harmless.
TEST(Xye, NonFiniteRowsAreLeftOutAndCounted) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::string one = formatXye(scanOf("t", 10.0F, 1.0F, {4.0F, nan, 9.0F}), "a.raw");
    EXPECT_TRUE(one.ends_with("# converted from a.raw\n"
                              "# 1 point not finite left out\n"
                              " 10  4  2 \n"
                              " 12  9  3 \n"))
        << one;
    const std::string two = formatXye(scanOf("t", 10.0F, 1.0F, {-inf, 1.0F, inf}), "a.raw");
    EXPECT_TRUE(two.ends_with("# 2 points not finite left out\n 11  1  1 \n")) << two;
}

// xylib's reader of plain columns, as Rietveld programs read them, takes the
// comments as comments and finds three columns holding the values written.
TEST(Xye, XylibReadsItBack) {
#ifndef SCANMILL_HAVE_XYLIB
    GTEST_SKIP() << "xylib is not built for this target; the Linux build reads the file back";
#else
    ScratchDirectory dir;
    const ScanRecord scan = scanOf("t 1.5", 10.0F, 0.02F, {100.0F, 2.25F, 0.0F, -4.0F, 1e7F});
    writeFile(dir / "a.xye", formatXye(scan, "a.raw"));
    std::unique_ptr<xylib::DataSet> data(xylib::load_file(dir / "a.xye", "text"));
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->get_block_count(), 1);
    const xylib::Block* block = data->get_block(0);
    ASSERT_EQ(block->get_column_count(), 3);
    ASSERT_EQ(block->get_point_count(), 5);
    const std::vector<double> sigmas = {10, 1.5, 1, 1, 3162.278};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(block->get_column(1).get_value(i), 10.0 + 0.02 * i, 1e-5);
        EXPECT_EQ(block->get_column(2).get_value(i), scan.intensities[i]);
        EXPECT_NEAR(block->get_column(3).get_value(i), sigmas[i], 1e-3);
    }
#endif
}

// A line break in the title would make the two-line heading four, with a
// line that reads as data; the Bruker title field keeps the bytes.
TEST(TwoColumnAscii, LineBreaksInTheTitleAreWrittenAsBlanks) {
    const ScanRecord scan = scanOf("a\r\n1 2\rb\n", 1.0F, 1.0F, {5.0F});
    EXPECT_EQ(formatTwoColumnAscii(scan), "a  1 2 b \r\n2theta        Intensity\r\n"
                                          " 1             5 \r\n");
    EXPECT_EQ(formatBrukerRaw(scan).substr(326, 11), scan.title + std::string(2, '\0'));
}

} // namespace
} // namespace scanmill
