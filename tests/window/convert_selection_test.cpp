// SPDX-License-Identifier: MIT
// The window's Convert command over the engine's batch: its lines, where it
// writes, and what it refuses before writing anything.
#include "file_selection.h"
#include "names.h"

#include <cerrno>
#include <filesystem>
#include <limits>

namespace scanmill {
namespace {

using namespace testing;

constexpr auto ascii = OutputFormat::TwoColumnAscii;
constexpr auto bruker = OutputFormat::BrukerRaw;

TEST(ConvertSelection, ConvertsInSelectionOrderWithOneLineEach) {
    ScratchDirectory dir;
    writeScans(dir, {"scan01.raw", "b.raw", "a.b.raw"});
    FileSelection selection = selectionOf(dir.path(), {"scan01.raw", "b.raw", "a.b.raw"});
    StatusLog log;
    convertSelection(selection, ascii, log);
    const std::vector<std::string> asciiLines = {
        "scan01.raw     converted to 2-column ASCII file     scan01.dat",
        "b.raw     converted to 2-column ASCII file     b.dat",
        "a.b.raw     converted to 2-column ASCII file     a.dat"};
    EXPECT_EQ(log.lines(), asciiLines);
    EXPECT_EQ(log.lines()[0].size(), 62u);
    EXPECT_EQ(readFile(dir / "scan01.dat").substr(0, 19), "scan scan01.raw\r\n2t");

    convertSelection(selection, bruker, log);
    ASSERT_EQ(log.lines().size(), 6u) << "earlier lines stay";
    EXPECT_EQ(log.lines()[3], "scan01.raw     converted to Bruker-AXS Diffrac Plus file     "
                              "scan01_b.raw");
    EXPECT_EQ(log.lines()[3].size(), 73u);
    EXPECT_EQ(log.lines()[5], "a.b.raw     converted to Bruker-AXS Diffrac Plus file     a_b.raw");
    EXPECT_EQ(readFile(dir / "a_b.raw").substr(326, 12), "scan a.b.raw");
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"a.b.raw", "a.dat", "a_b.raw", "b.dat", "b.raw", "b_b.raw",
                                        "scan01.dat", "scan01.raw", "scan01_b.raw"}));
}

// A pattern with holes is never passed on as a whole one: its line says how
// many points are not finite, in each format; the files keep their bytes.
TEST(ConvertSelection, LinesCountPointsThatAreNotFinite) {
    ScratchDirectory dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    RigakuFields fields;
    fields.intensities = {4308.0F, nan, 5524.0F};
    writeFile(dir / "one.raw", rigakuBytes(fields));
    fields.intensities = {nan, -std::numeric_limits<float>::infinity(), 1.0F};
    writeFile(dir / "two.raw", rigakuBytes(fields));
    FileSelection selection = selectionOf(dir.path(), {"one.raw", "two.raw"});
    StatusLog log;
    convertSelection(selection, ascii, log);
    convertSelection(selection, bruker, log);
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{
                  "one.raw     converted to 2-column ASCII file     one.dat  (1 point not finite)",
                  "two.raw     converted to 2-column ASCII file     two.dat  (2 points not finite)",
                  "one.raw     converted to Bruker-AXS Diffrac Plus file     one_b.raw  (1 point "
                  "not finite)",
                  "two.raw     converted to Bruker-AXS Diffrac Plus file     two_b.raw  (2 points "
                  "not finite)"}));
    EXPECT_NE(readFile(dir / "one.dat").find(" 10.02         NaN \r\n"), std::string::npos);
}

TEST(ConvertSelection, OutputDirectoryIsFilledInOnceAndStays) {
    ScratchDirectory first("-first");
    ScratchDirectory second("-second");
    std::filesystem::create_directory(second.path() / "other");
    writeScans(first, {"x.raw"});
    FileSelection selection = selectionOf(first.path(), {});
    StatusLog log;
    convertSelection(selection, ascii, log);
    EXPECT_EQ(selection.outputDirectory, first.withSeparator()) << "filled in even for 0 files";
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(first.entries(), std::vector<std::string>{"x.raw"});

    // A later selection elsewhere still writes into the first directory.
    const std::string otherDirectory = (second.path() / "other").string() + pathSeparator;
    writeFile(otherDirectory + "y.raw", rigakuBytes({}));
    selection.inputDirectory = otherDirectory;
    selection.fileNames = {"y.raw"};
    convertSelection(selection, ascii, log);
    EXPECT_EQ(selection.outputDirectory, first.withSeparator());
    EXPECT_TRUE(std::filesystem::exists(first / "y.dat"));
    EXPECT_FALSE(std::filesystem::exists(otherDirectory + "y.dat"));
}

TEST(ConvertSelectionFailure, NeverWritesOverItsOwnInput) {
    ScratchDirectory dir;
    const std::string scan = rigakuBytes({});
    writeFile(dir / "x.dat", scan); // a scan named .dat, converted to ASCII beside itself
    writeScans(dir, {"first.raw"});
    FileSelection selection = selectionOf(dir.path(), {"first.raw", "x.dat"});
    StatusLog log;
    expectFileError([&] { convertSelection(selection, ascii, log); }, EEXIST,
                    dir / "x.dat" + ": output would replace its own input file");
    EXPECT_EQ(readFile(dir / "x.dat"), scan);
    EXPECT_EQ(log.lines().size(), 1u);

    // Reached through another spelling of the directory: still the same file.
    selection = selectionOf(dir.path(), {"x.dat"});
    selection.outputDirectory = dir.path().string() + "/./";
    expectFileError([&] { convertSelection(selection, ascii, log); }, EEXIST, "x.dat");
    EXPECT_EQ(readFile(dir / "x.dat"), scan);
}

TEST(ConvertSelectionFailure, OutputNameClashWritesNothing) {
    ScratchDirectory in("-in");
    ScratchDirectory out("-out");
    const std::vector<std::string> names = {"first.raw", "sample.v2.raw", "x.raw", "sample.v3.raw"};
    writeScans(in, names);
    for (const OutputFormat format : {ascii, bruker}) {
        FileSelection selection = selectionOf(in.path(), names, out.path());
        StatusLog log;
        expectFileError([&] { convertSelection(selection, format, log); }, EEXIST,
                        out / outputNameFor("sample.raw", format) +
                            ": sample.v2.raw and sample.v3.raw would both be written to this file");
        EXPECT_EQ(out.entries(), std::vector<std::string>{}) << "not even the first file";
        EXPECT_EQ(log.lines(), std::vector<std::string>{});
    }
}

} // namespace
} // namespace scanmill
