// SPDX-License-Identifier: MIT
#include "bruker_writer.h"
#include "scan_files.h"

#include <cerrno>
#include <cstring>
#include <memory>
#ifdef SCANMILL_HAVE_XYLIB
#include <xylib/xylib.h>
#endif

namespace scanmill {
namespace {

using namespace testing;

ScanRecord sampleScan() {
    ScanRecord scan;
    scan.dateText = "14-FEB-05   ";
    scan.timeText = "10:32:07";
    scan.title = "Quartz standard";
    scan.startTwoTheta = 10.0F;
    scan.stepSize = 0.02F;
    scan.stepTime = {0x00, 0x00, 0xC0, 0x3F}; // 1.5
    scan.intensities = {100.0F, 250.5F, 0.75F, -3.0F};
    scan.pointCount = 4;
    return scan;
}

template <typename T> T fieldAt(const std::string& file, std::size_t offset) {
    T value;
    std::memcpy(&value, file.data() + offset, sizeof value); // this host is little-endian
    return value;
}

std::string bytesAt(const std::string& file, std::size_t offset, std::size_t length) {
    return file.substr(offset, length);
}

TEST(BrukerDate, MonthDayYear) {
    EXPECT_EQ(toBrukerDate("14-FEB-05   "), "02/14/05");
    EXPECT_EQ(toBrukerDate("03-OCT-04   "), "10/03/04");
    EXPECT_EQ(toBrukerDate("25-DEC-99   "), "12/25/99");
    EXPECT_EQ(toBrukerDate("01-JAN-00   "), "01/01/00");
}

TEST(BrukerDate, UnknownMonthLeavesTheMonthEmpty) {
    EXPECT_EQ(toBrukerDate("14-feb-05   "), "02/14/05") << "case is ignored";
    EXPECT_EQ(toBrukerDate("14-Dec-05   "), "12/14/05");
    EXPECT_EQ(toBrukerDate("14-XYZ-05   "), "/14/05");
    EXPECT_EQ(toBrukerDate("            "), "/  /  ");
    EXPECT_EQ(toBrukerDate(std::string(12, '\0')), std::string("/\0\0/\0\0", 6));
    EXPECT_EQ(toBrukerDate("14-FE"), "/14/") << "a short text is not read past its end";
    EXPECT_EQ(toBrukerDate(""), "//");
}

TEST(BrukerRaw, EveryFieldAtItsOffset) {
    ScratchDirectory dir;
    writeBrukerRaw(sampleScan(), dir / "scan01_b.raw");
    const std::string file = readFile(dir / "scan01_b.raw");
    ASSERT_EQ(file.size(), 1016u + 4 * 4);

    EXPECT_EQ(bytesAt(file, 0, 16), std::string("RAW1.01\0\0\0\0\0\1\0\0\0", 16));
    EXPECT_EQ(bytesAt(file, 16, 8), "02/14/05");
    EXPECT_EQ(bytesAt(file, 26, 8), "10:32:07");
    EXPECT_EQ(bytesAt(file, 326, 15), "Quartz standard");
    EXPECT_EQ(static_cast<unsigned char>(file[548]), 20);
    EXPECT_EQ(fieldAt<std::int16_t>(file, 552), 9999);
    EXPECT_EQ(fieldAt<float>(file, 564), 185.0F);
    EXPECT_EQ(fieldAt<double>(file, 624), 1.5406);
    EXPECT_EQ(fieldAt<double>(file, 632), 1.54442);
    EXPECT_EQ(fieldAt<double>(file, 648), 0.514);
    EXPECT_EQ(fieldAt<float>(file, 700), 9999.0F);
    EXPECT_EQ(fieldAt<std::int32_t>(file, 712), 304) << "16-bit value, upper bytes zero";
    EXPECT_EQ(fieldAt<std::int32_t>(file, 716), 4);
    EXPECT_EQ(fieldAt<double>(file, 720), 5.0);
    EXPECT_EQ(fieldAt<double>(file, 728), 10.0);
    EXPECT_EQ(fieldAt<double>(file, 888), 0.019999999552965164) << "the single's exact value";
    EXPECT_EQ(bytesAt(file, 904, 4), std::string("\0\0\xC0\x3F", 4));
    EXPECT_EQ(fieldAt<float>(file, 924), -1.0F);
    EXPECT_EQ(fieldAt<float>(file, 928), -1.0F);
    EXPECT_EQ(fieldAt<float>(file, 932), -1.0F);
    EXPECT_EQ(fieldAt<double>(file, 952), 1.5406);
    EXPECT_EQ(fieldAt<std::int32_t>(file, 964), 4);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fieldAt<float>(file, 1016 + 4 * i), sampleScan().intensities[i]);
    }

    // Every byte not listed is zero.
    std::string expectedZeros = file;
    for (auto [offset, length] : std::initializer_list<std::pair<std::size_t, std::size_t>>{
             {0, 7},   {12, 1},  {16, 8},  {26, 8},  {326, 15}, {548, 1}, {552, 2}, {564, 4},
             {624, 8}, {632, 8}, {648, 8}, {700, 4}, {712, 2},  {716, 2}, {720, 8}, {728, 8},
             {888, 8}, {904, 4}, {924, 4}, {928, 4}, {932, 4},  {952, 8}, {964, 1}, {1016, 16}}) {
        expectedZeros.replace(offset, length, length, '\0');
    }
    EXPECT_EQ(expectedZeros, std::string(file.size(), '\0'));
}

// Each anode's K-alpha1 goes to 624 and 952, its K-alpha2 to 632 and, but
// for copper, whose files stay as they were, its symbol to 608; no other
// byte depends on the tube.
TEST(BrukerRaw, AnodeSetsTheWavelengthAndAnodeFieldsOnly) {
    const std::string copper = formatBrukerRaw(sampleScan());
    struct Case {
        Anode anode;
        const char* name;
        double alpha1;
        double alpha2;
    };
    for (const Case& c :
         {Case{Anode::Cu, "Cu", 1.5406, 1.54442}, Case{Anode::Co, "Co", 1.788965, 1.792850},
          Case{Anode::Cr, "Cr", 2.289700, 2.293606}, Case{Anode::Fe, "Fe", 1.936042, 1.939980},
          Case{Anode::Mo, "Mo", 0.709300, 0.713590}, Case{Anode::Ag, "Ag", 0.5594075, 0.563798}}) {
        SCOPED_TRACE(c.name);
        const std::string file = formatBrukerRaw(sampleScan(), c.anode);
        EXPECT_EQ(fieldAt<double>(file, 624), c.alpha1);
        EXPECT_EQ(fieldAt<double>(file, 632), c.alpha2);
        EXPECT_EQ(fieldAt<double>(file, 952), c.alpha1);
        const std::string symbol =
            c.anode == Anode::Cu ? std::string(4, '\0') : c.name + std::string(2, '\0');
        EXPECT_EQ(file.substr(608, 4), symbol);
        std::string rest = file;
        rest.replace(608, 4, copper, 608, 4)
            .replace(624, 16, copper, 624, 16)
            .replace(952, 8, copper, 952, 8);
        EXPECT_EQ(rest, copper);
        EXPECT_EQ(anodeNamed(c.name), c.anode);
        EXPECT_EQ(anodeName(c.anode), c.name);
    }
    EXPECT_EQ(anodeNamed("mo"), Anode::Mo) << "case is ignored";
    EXPECT_EQ(anodeNamed("Ni"), std::nullopt);
    EXPECT_EQ(anodeNamed("C"), std::nullopt);
}

TEST(BrukerRaw, ScanValuesPassUnchanged) {
    ScratchDirectory dir;
    ScanRecord scan = sampleScan();
    scan.timeText = std::string("\xFF\0:9", 4) + "    ";
    scan.title = std::string(40, '\xE9');
    scan.startTwoTheta = std::bit_cast<float>(0x00000001u); // halving must stay exact
    scan.stepTime = {0x01, 0x00, 0x80, 0x7F};               // a signalling NaN stays itself
    scan.intensities = {std::bit_cast<float>(0x7FC12345u), -0.0F};
    writeBrukerRaw(scan, dir / "a_b.raw");
    const std::string file = readFile(dir / "a_b.raw");
    ASSERT_EQ(file.size(), 1016u + 8);
    EXPECT_EQ(bytesAt(file, 26, 8), scan.timeText);
    EXPECT_EQ(bytesAt(file, 326, 40), scan.title);
    EXPECT_EQ(file[366], '\0') << "no terminator after a 40-character title either";
    EXPECT_EQ(fieldAt<double>(file, 720), 0.5 * std::bit_cast<float>(0x00000001u));
    EXPECT_EQ(bytesAt(file, 904, 4), std::string("\x01\0\x80\x7F", 4));
    EXPECT_EQ(fieldAt<std::uint32_t>(file, 1016), 0x7FC12345u);
    EXPECT_EQ(fieldAt<std::uint32_t>(file, 1020), 0x80000000u);
}

TEST(BrukerRaw, EmptyScanAndEmptyTitle) {
    ScratchDirectory dir;
    ScanRecord scan = sampleScan();
    scan.title.clear();
    scan.intensities.clear();
    scan.pointCount = 0;
    writeBrukerRaw(scan, dir / "a_b.raw");
    const std::string file = readFile(dir / "a_b.raw");
    ASSERT_EQ(file.size(), 1016u);
    EXPECT_EQ(fieldAt<std::int32_t>(file, 716), 0);
    EXPECT_EQ(bytesAt(file, 326, 222), std::string(222, '\0'));
}

// xylib, an independent reader of the format, must read back what was written.
TEST(BrukerRaw, XylibReadsItBack) {
#ifndef SCANMILL_HAVE_XYLIB
    GTEST_SKIP() << "xylib is not built for this target; the Linux build reads the file back";
#else
    ScratchDirectory dir;
    ScanRecord scan = sampleScan();
    scan.intensities.resize(32767);
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        scan.intensities[i] = static_cast<float>(i % 977) * 1.25F;
    }
    scan.pointCount = 32767;
    writeBrukerRaw(scan, dir / "a_b.raw");

    std::unique_ptr<xylib::DataSet> data(xylib::load_file(dir / "a_b.raw", "bruker_raw"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->meta.get("MEASURE_DATE"), "02/14/05");
    EXPECT_EQ(data->meta.get("MEASURE_TIME"), "10:32:07");
    EXPECT_EQ(data->meta.get("SAMPLE_ID"), "Quartz standard");
    ASSERT_EQ(data->get_block_count(), 1);
    const xylib::Block* block = data->get_block(0);
    EXPECT_EQ(std::stod(block->meta.get("START_2THETA")), 10.0);
    EXPECT_EQ(std::stod(block->meta.get("START_THETA")), 5.0);
    EXPECT_NEAR(std::stod(block->meta.get("STEP_SIZE")), 0.02, 1e-9);
    EXPECT_EQ(std::stoi(block->meta.get("STEPS")), 32767);
    EXPECT_EQ(std::stod(block->meta.get("TIME_PER_STEP")), 1.5);
    ASSERT_EQ(block->get_point_count(), 32767);
    const xylib::Column& angles = block->get_column(1);
    const xylib::Column& counts = block->get_column(2);
    for (int i = 0; i < 32767; ++i) {
        ASSERT_EQ(counts.get_value(i), scan.intensities[i]) << "point " << i + 1;
    }
    EXPECT_NEAR(angles.get_value(32766), 10.0 + 32766 * 0.019999999552965164, 1e-9);
#endif
}

} // namespace
} // namespace scanmill
