// SPDX-License-Identifier: MIT
#include "cif_writer.h"
#include "scan_files.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#ifdef SCANMILL_HAVE_XYLIB
#include <xylib/xylib.h>
#endif

namespace scanmill {
namespace {

using namespace testing;

const float nan = std::numeric_limits<float>::quiet_NaN();

ScanRecord scanOf(std::string title, float start, float step, std::vector<float> intensities) {
    ScanRecord scan;
    scan.title = std::move(title);
    scan.dateText = "14-FEB-05   ";
    scan.timeText = "10:21:33";
    scan.stepTime = {0x00, 0x00, 0x80, 0x3F}; // 1 s as a little-endian single
    scan.startTwoTheta = start;
    scan.stepSize = step;
    scan.pointCount = static_cast<std::int16_t>(intensities.size());
    scan.intensities = std::move(intensities);
    return scan;
}

double readBack(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    return value;
}

// Written out by hand from the layout every reader takes: one loop, last,
// of one column, a "?" for the NaN point.
TEST(PdCif, OneBlockWithTheRangeThenOneLoopOfCounts) {
    const ScanRecord scan = scanOf("quartz 2\xb0/min", 10.0F, 0.02F, {1020, 1024, nan, 0.5F});
    EXPECT_EQ(formatPdCif(scan, "in/quartz.raw", "out/quartz.cif"),
              "data_quartz\n"
              "# quartz 2\\xb0/min\n"
              "# 14-FEB-05 10:21:33, step time 1 s, Cu Ka1 1.5406 Ka2 1.54442 angstrom\n"
              "_diffrn_radiation_wavelength    1.5406\n"
              "_pd_meas_number_of_points       4\n"
              "_pd_meas_2theta_range_min       10\n"
              "_pd_meas_2theta_range_max       10.06\n"
              "_pd_meas_2theta_range_inc       0.02\n"
              "loop_\n"
              "_pd_meas_counts_total\n"
              "1020 1024 ? 0.5\n");
    EXPECT_NE(formatPdCif(scan, "q.raw", "q.cif", Anode::Co)
                  .find("\n_diffrn_radiation_wavelength    1.788965\n"),
              std::string::npos);
}

// GSAS-II refuses a block whose loop does not hold the count its range gives.
TEST(PdCif, RangeGivesBackThePointCountForAnyStartAndStep) {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<float> starts(0.0F, 160.0F);
    std::uniform_real_distribution<float> logSteps(-4.0F, 0.0F);
    std::uniform_int_distribution<std::size_t> counts(2, 32767);
    for (int i = 0; i < 200000; ++i) {
        const float start = starts(random);
        const float step = std::pow(10.0F, logSteps(random));
        const std::size_t points = counts(random);
        const std::optional<PdCifRange> range = pdCifRange(start, step, points);
        ASSERT_TRUE(range) << start << " " << step << " " << points;
        const double min = readBack(range->min);
        const double inc = readBack(range->inc);
        // As GSAS-II counts the points of a block.
        ASSERT_EQ(1 + static_cast<long long>(0.5 + (readBack(range->max) - min) / inc),
                  static_cast<long long>(points))
            << range->min << " " << range->max << " " << range->inc;
        ASSERT_EQ(static_cast<float>(min), start);
        ASSERT_EQ(static_cast<float>(inc), step);
    }
}

TEST(PdCif, ScansWithoutARangeAreRefusedNamingTheCause) {
    const auto refused = [](const ScanRecord& scan, const std::string& cause) {
        expectFileError([&] { formatPdCif(scan, "in/x.raw", "x.cif"); }, EINVAL,
                        "in/x.raw: cannot be written as pdCIF: " + cause);
    };
    refused(scanOf("t", 10.0F, 0.02F, {}), "0 points, where a range needs at least 2");
    refused(scanOf("t", 10.0F, 0.02F, {5}), "1 point, where a range needs at least 2");
    refused(scanOf("t", 10.0F, 0.0F, {5, 6}), "step angle 0 is not positive");
    refused(scanOf("t", 10.0F, -0.5F, {5, 6}), "step angle -.5 is not positive");
    refused(scanOf("t", 1e30F, 0.01F, {5, 6}), "step angle .01 is lost in start angle 1E+30");
}

// Old CIF 1.0 readers take lines of at most 80 characters: a long comment
// is cut, and the block is named by its output with only the characters
// CIF names take. Every line's length and bytes the fuzzer checks.
TEST(PdCif, LongCommentsAreCutAndNamesKeepCifCharacters) {
    const std::string text = formatPdCif(scanOf(std::string(100, 'x'), 1.0F, 0.5F, {1, 2}), "a.raw",
                                         "dir/" + std::string(90, 'n') + ".cif");
    EXPECT_TRUE(
        text.starts_with("data_" + std::string(75, 'n') + "\n# " + std::string(75, 'x') + "...\n"))
        << text;
    EXPECT_TRUE(formatPdCif(scanOf("", 1.0F, 0.5F, {1, 2}), "a.raw", "n \xe4#.v1.cif")
                    .starts_with("data_n___.v1\n#\n"));
    // At the edge: 80 characters stay, 81 are cut.
    for (const std::size_t length : {78, 79}) {
        const std::string line =
            formatPdCif(scanOf(std::string(length, 'y'), 1.0F, 0.5F, {1, 2}), "a.raw", "a.cif")
                .substr(7);
        EXPECT_EQ(line.substr(0, line.find('\n')),
                  length == 78 ? "# " + std::string(78, 'y') : "# " + std::string(75, 'y') + "...");
    }
}

// xylib, an independent reader, takes the block as written: a "?" reads as 0.
TEST(PdCif, XylibReadsItBack) {
#ifndef SCANMILL_HAVE_XYLIB
    GTEST_SKIP() << "xylib is not built for this target; the Linux build reads the file back";
#else
    ScratchDirectory dir;
    std::vector<float> counts;
    for (int i = 0; i < 1001; ++i) {
        counts.push_back(static_cast<float>(1000 + (i * 7919) % 4099) / 4.0F);
    }
    counts[500] = nan;
    const ScanRecord scan = scanOf("quartz 2\xb0/min", 10.0F, 0.02F, counts);
    writeFile(dir / "a.cif", formatPdCif(scan, "a.raw", "a.cif"));
    std::unique_ptr<xylib::DataSet> data(xylib::load_file(dir / "a.cif", "pdcif"));
    ASSERT_EQ(data->get_block_count(), 1);
    const xylib::Block* block = data->get_block(0);
    ASSERT_EQ(block->get_point_count(), 1001);
    for (int i = 0; i < 1001; ++i) {
        EXPECT_NEAR(block->get_column(1).get_value(i), twoThetaAt(scan, i), 1e-5) << i;
        EXPECT_EQ(static_cast<float>(block->get_column(2).get_value(i)), i == 500 ? 0 : counts[i])
            << i;
    }
    EXPECT_EQ(block->meta.get("diffrn_radiation_wavelength"), "1.5406");
#endif
}

} // namespace
} // namespace scanmill
