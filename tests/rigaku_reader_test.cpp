// SPDX-License-Identifier: MIT
#include "rigaku_reader.h"
#include "scan_files.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

namespace scanmill {
namespace {

using namespace testing;

ScanRecord readFields(const ScratchDirectory& dir, const RigakuFields& fields) {
    writeFile(dir / "scan.raw", rigakuBytes(fields));
    return readRigakuRaw(dir / "scan.raw");
}

TEST(RigakuReader, ReadsEveryFieldFromItsOffset) {
    ScratchDirectory dir;
    RigakuFields fields;
    fields.date = "03-OCT-04";
    fields.time = "23:59:01";
    fields.start = 5.0F;
    fields.step = 0.05F;
    fields.intensities = {1.0F, -2.5F, 1e30F};
    const ScanRecord scan = readFields(dir, fields);

    EXPECT_EQ(scan.dateText, "03-OCT-04   ");
    EXPECT_EQ(scan.timeText, "23:59:01");
    EXPECT_EQ(scan.title, "Quartz standard");
    EXPECT_EQ(scan.startTwoTheta, 5.0F);
    EXPECT_EQ(scan.stepSize, 0.05F);
    EXPECT_EQ(scan.pointCount, 3);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(scan.stepTime), std::bit_cast<std::uint32_t>(1.5F));
    EXPECT_EQ(scan.intensities, fields.intensities);
}

TEST(RigakuReader, TitleLosesTrailingBlanksOnly) {
    ScratchDirectory dir;
    RigakuFields fields;

    fields.title = "";
    EXPECT_EQ(readFields(dir, fields).title, "") << "40 blanks give an empty title";

    fields.title = "  fifteen chars";
    EXPECT_EQ(readFields(dir, fields).title, "  fifteen chars") << "leading blanks stay";

    fields.title = std::string("NUL padded") + std::string(30, '\0');
    EXPECT_EQ(readFields(dir, fields).title, fields.title) << "NULs are not blanks";

    fields.title = "tab\t";
    EXPECT_EQ(readFields(dir, fields).title, "tab\t");

    fields.title = std::string(40, 'x');
    EXPECT_EQ(readFields(dir, fields).title, fields.title);

    fields.title = "\xC5ngstr\xF6m"; // 8-bit characters pass byte for byte
    EXPECT_EQ(readFields(dir, fields).title, fields.title);
}

TEST(RigakuReader, StepTimeIsCarriedBitForBit) {
    ScratchDirectory dir;
    RigakuFields fields;
    for (std::uint32_t bits : {0x7FC00001u, 0xFF800000u, 0x00000001u, 0x80000000u, 0xDEADBEEFu}) {
        fields.stepTimeBits = bits;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(readFields(dir, fields).stepTime), bits);
    }
}

TEST(RigakuReader, IntensitiesAreCopiedUnchanged) {
    ScratchDirectory dir;
    RigakuFields fields;
    fields.intensities = {std::bit_cast<float>(0x7FC12345u), -0.0F, std::bit_cast<float>(1u)};
    const ScanRecord scan = readFields(dir, fields);
    ASSERT_EQ(scan.intensities.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(scan.intensities[i]),
                  std::bit_cast<std::uint32_t>(fields.intensities[i]));
    }
}

TEST(RigakuReader, ReadsOnlyTheAnnouncedPoints) {
    ScratchDirectory dir;
    RigakuFields fields;
    fields.count = 3;
    fields.intensities = {1, 2, 3, 99, 98}; // two points past the count
    EXPECT_EQ(readFields(dir, fields).intensities, (std::vector<float>{1, 2, 3}));

    fields.count = 0;
    const ScanRecord empty = readFields(dir, fields);
    EXPECT_EQ(empty.pointCount, 0);
    EXPECT_TRUE(empty.intensities.empty());
}

TEST(RigakuReader, LargestCountIsRead) {
    ScratchDirectory dir;
    RigakuFields fields;
    fields.intensities.resize(32767);
    for (std::size_t i = 0; i < fields.intensities.size(); ++i) {
        fields.intensities[i] = static_cast<float>(i);
    }
    const ScanRecord scan = readFields(dir, fields);
    EXPECT_EQ(scan.pointCount, 32767);
    EXPECT_EQ(scan.intensities, fields.intensities);
}

TEST(RigakuReaderFailure, MissingFileOrDirectory) {
    ScratchDirectory dir;
#ifdef _WIN32
    const std::string words = windowsWords(ERROR_FILE_NOT_FOUND);
#else
    const std::string words = std::strerror(ENOENT);
#endif
    expectFileError([&] { readRigakuRaw(dir / "absent.raw"); }, shown::fileNotFound,
                    dir / "absent.raw" + ": " + words);
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.raw")) << "reading never creates";
    expectFileError([&] { readRigakuRaw(dir.path().string()); }, EISDIR, dir.path().string());
}

// 0xFFFF, -1, is the count a damaged header most often holds.
TEST(RigakuReaderFailure, NegativePointCount) {
    ScratchDirectory dir;
    RigakuFields fields;
    for (const std::int16_t count : {-1, -5, -32768}) {
        fields.count = count;
        writeFile(dir / "bad.raw", rigakuBytes(fields));
        using Read = ScanRecord (*)(const std::string&);
        for (const Read read : {static_cast<Read>(readRigakuRaw), readRigakuHeader}) {
            expectFileError([&] { read(dir / "bad.raw"); }, EINVAL,
                            dir / "bad.raw" + ": negative point count (" + std::to_string(count) +
                                ")");
        }
    }
}

TEST(RigakuReaderFailure, FileEndsEarly) {
    ScratchDirectory dir;
    RigakuFields fields;
    fields.count = 3000;
    fields.intensities = {1, 2};
    std::string bytes = rigakuBytes(fields);
    writeFile(dir / "short.raw", bytes);
    expectFileError([&] { readRigakuRaw(dir / "short.raw"); }, ENODATA,
                    dir / "short.raw" +
                        ": file ends after 208 bytes, but its 3,000 points need 12,200 bytes");

    // One byte short of the header, past its point count.
    writeFile(dir / "short.raw", bytes.substr(0, 199));
    expectFileError([&] { readRigakuRaw(dir / "short.raw"); }, ENODATA,
                    "file ends after 199 bytes, but its 3,000 points need 12,200 bytes");

    writeFile(dir / "short.raw", bytes.substr(0, 100));
    expectFileError([&] { readRigakuRaw(dir / "short.raw"); }, ENODATA,
                    "file ends after 100 bytes, but its header needs 200 bytes");

    writeFile(dir / "short.raw", "");
    expectFileError([&] { readRigakuRaw(dir / "short.raw"); }, ENODATA, "file ends after 0 bytes");
    writeFile(dir / "short.raw", "R");
    expectFileError([&] { readRigakuRaw(dir / "short.raw"); }, ENODATA,
                    "file ends after 1 byte, but its header needs 200 bytes");

    fields.count = 1;
    fields.intensities = {};
    bytes = rigakuBytes(fields) + "ab"; // half a point
    writeFile(dir / "short.raw", bytes);
    expectFileError([&] { readRigakuRaw(dir / "short.raw"); }, ENODATA,
                    "file ends after 202 bytes, but its 1 point needs 204 bytes");
}

// Every angle follows from the start and the step: one that is not a number
// would make every angle written NaN. Intensities pass as they are, and a
// step of 0, a scan at one fixed angle, is valid.
TEST(RigakuReaderFailure, DamagedHeaderNonFiniteAngle) {
    ScratchDirectory dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::tuple<float, float, std::string>> damaged = {
        {nan, 0.02F, "start angle is NaN"},
        {-inf, 0.02F, "start angle is -Inf"},
        {10.0F, std::bit_cast<float>(0xFFC00001u), "step angle is NaN"}, // negative, with payload
        {10.0F, inf, "step angle is Inf"},
        {3.4e38F, 3.4e38F, "last angle is Inf"},
    };
    for (const auto& [start, step, what] : damaged) {
        RigakuFields fields;
        fields.start = start;
        fields.step = step;
        writeFile(dir / "x.raw", rigakuBytes(fields));
        expectFileError([&] { readRigakuRaw(dir / "x.raw"); }, EINVAL,
                        dir / "x.raw" + ": damaged header: " + what);
    }
    RigakuFields fixedAngle;
    fixedAngle.step = 0.0F;
    fixedAngle.intensities = {nan, inf};
    const ScanRecord scan = readFields(dir, fixedAngle);
    EXPECT_EQ(scan.stepSize, 0.0F);
    EXPECT_TRUE(std::isnan(scan.intensities[0]));
    EXPECT_EQ(scan.intensities[1], inf);
}

TEST(RigakuReaderFailure, BrukerFilesAreRefusedByTheirIdentifier) {
    ScratchDirectory dir;
    for (const std::string identifier : {"RAW1.01", "RAW2", "RAW4.00", "RAW "}) {
        std::string bytes = rigakuBytes({});
        bytes.replace(0, identifier.size(), identifier);
        writeFile(dir / "x_b.raw", bytes);
        expectFileError([&] { readRigakuRaw(dir / "x_b.raw"); }, EINVAL,
                        dir / "x_b.raw" + ": not a Rigaku D/Max-B scan (it is a Bruker RAW file)");
    }
    // Nothing is refused on a guess: a scan whose skipped bytes merely look alike is read.
    for (const std::string lookalike : {"RAW3", "RAW1.0", "raw2"}) {
        std::string bytes = rigakuBytes({});
        bytes.replace(0, lookalike.size(), lookalike);
        writeFile(dir / "scan.raw", bytes);
        EXPECT_EQ(readRigakuRaw(dir / "scan.raw").title, "Quartz standard") << lookalike;
    }
}

} // namespace
} // namespace scanmill
