// SPDX-License-Identifier: MIT
// scanmill-convert run as a program on files in a scratch directory. Outputs
// are compared with what the engine's own writers make of each input.
#include "ascii_writer.h"
#include "bruker_writer.h"
#include "cif_writer.h"
#include "platform.h"
#include "rigaku_reader.h"
#include "scan_files.h"
#include "svg_painter.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>
#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace scanmill {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::rigakuBytes;
using testing::RigakuFields;
using testing::ScratchDirectory;
using testing::writeFile;

// The words between input and output of a status line, as the engine words
// them.
const std::string asciiWords =
    statusLine("", formatNames(OutputFormat::TwoColumnAscii).description, "");
const std::string brukerWords =
    statusLine("", formatNames(OutputFormat::BrukerRaw).description, "");

// The summary line that ends a run on standard error.
std::string summary(int converted, int failed, int skipped, int upToDate) {
    return std::to_string(converted) + " converted, " + std::to_string(failed) + " failed, " +
           std::to_string(skipped) + " skipped, " + std::to_string(upToDate) + " up to date\n";
}

struct Ran {
    int status = -1;
    std::string out; // as Linux writes it: on Windows, "\\" made "/" and CR LF made LF
    std::string err;
    std::string nativeOut; // as written
};

#ifdef _WIN32
std::string linuxForm(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.erase(at, 1);
    }
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}
#endif

// The program under test, absolute; the environment names a copy where the
// tests run as another user.
fs::path convertProgram() {
    const char* copy = std::getenv("SCANMILL_CONVERT");
    return fs::absolute(copy ? copy : SCANMILL_CONVERT);
}

// Runs scanmill-convert with arguments (UTF-8) in dir, so that paths are
// relative to it.
Ran convert(const ScratchDirectory& dir, const std::string& arguments) {
    const fs::path streams = dir.path().parent_path() / (dir.path().filename().string() + "-out");
    // Made absolute before leaving the test's directory: on Windows a path
    // from "/" lies on the current drive.
    const std::string program = convertProgram().string();
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const std::string command = "\"" + program + "\" " + arguments + " >\"" + streams.string() +
                                ".1\" 2>\"" + streams.string() + ".2\"";
#ifdef _WIN32
    // In UTF-16, as a person's shell passes it; cmd /c takes away the outer quotes.
    const int status = _wsystem((L"\"" + platform::toPath(command).wstring() + L"\"").c_str());
#else
    const int status = std::system(command.c_str());
#endif
    fs::current_path(before);
    Ran run;
#ifdef _WIN32
    run.status = status;
#else
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.nativeOut = readFile(streams.string() + ".1");
    run.out = run.nativeOut;
    run.err = readFile(streams.string() + ".2");
#ifdef _WIN32
    run.out = linuxForm(run.out);
    run.err = linuxForm(run.err);
#endif
    fs::remove(streams.string() + ".1");
    fs::remove(streams.string() + ".2");
    return run;
}

void writeScan(const ScratchDirectory& dir, const std::string& path, int points = 3) {
    RigakuFields fields;
    fields.title = path;
    fields.intensities.clear();
    for (int i = 0; i < points; ++i) {
        fields.intensities.push_back(static_cast<float>(i * 7 % 1000) + 0.5F);
    }
    fs::create_directories((dir.path() / path).parent_path());
    writeFile(dir.path() / path, rigakuBytes(fields));
}

std::string asciiOf(const ScratchDirectory& dir, const std::string& input) {
    return formatTwoColumnAscii(readRigakuRaw(dir / input));
}

// Every file below dir/sub, relative to dir, sorted.
std::vector<std::string> filesBelow(const ScratchDirectory& dir, const std::string& sub) {
    std::vector<std::string> files;
    if (fs::exists(dir.path() / sub)) {
        for (const auto& entry : fs::recursive_directory_iterator(dir.path() / sub)) {
            if (!entry.is_directory()) {
                files.push_back(entry.path().lexically_relative(dir.path()).generic_string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ScanmillConvert, FilesAndADirectoryInByteOrderBesideTheirInputs) {
    ScratchDirectory dir;
    for (const char* name : {"in/b.RAW", "in/a.raw", "in/B2.raw", "in/sub/c.raw", "x.scan"}) {
        writeScan(dir, name);
    }
    writeFile(dir / "in/notes.txt", "not a scan");
    const Ran run = convert(dir, "in x.scan");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, summary(4, 0, 0, 0));
    EXPECT_EQ(run.out, "in/B2.raw" + asciiWords + "in/B2.dat\n" +   //
                           "in/a.raw" + asciiWords + "in/a.dat\n" + //
                           "in/b.RAW" + asciiWords + "in/b.dat\n" + //
                           "x.scan" + asciiWords + "x.dat\n");
    const std::vector<std::pair<std::string, std::string>> outputs = {{"in/B2.raw", "in/B2.dat"},
                                                                      {"in/a.raw", "in/a.dat"},
                                                                      {"in/b.RAW", "in/b.dat"},
                                                                      {"x.scan", "x.dat"}};
    for (const auto& [input, output] : outputs) {
        EXPECT_EQ(readFile(dir / output), asciiOf(dir, input)) << output;
    }
    EXPECT_FALSE(fs::exists(dir / "in/sub/c.dat")) << "subdirectories only with -r";
}

TEST(ScanmillConvert, RecursiveRunMirrorsTheTreeUnderTheOutputDirectory) {
    ScratchDirectory dir;
    for (const char* name : {"in/z.raw", "in/sub/c.raw", "in/sub/deeper/d.raw", "in/a/e.raw"}) {
        writeScan(dir, name, 500);
    }
    const Ran run = convert(dir, "-r -f bruker -o out/new -j 3 in");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "in/z.raw" + brukerWords + "out/new/z_b.raw\n" + "in/a/e.raw" + brukerWords +
                           "out/new/a/e_b.raw\n" + "in/sub/c.raw" + brukerWords +
                           "out/new/sub/c_b.raw\n" + "in/sub/deeper/d.raw" + brukerWords +
                           "out/new/sub/deeper/d_b.raw\n");
    EXPECT_EQ(readFile(dir / "out/new/sub/deeper/d_b.raw"),
              formatBrukerRaw(readRigakuRaw(dir / "in/sub/deeper/d.raw")));

    // Quiet, into the same tree again: no lines, the same files.
    const Ran quiet = convert(dir, "-rq --format=bruker --output-dir out/new in");
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "") << "no summary either";
    EXPECT_EQ(filesBelow(dir, "out"),
              (std::vector<std::string>{"out/new/a/e_b.raw", "out/new/sub/c_b.raw",
                                        "out/new/sub/deeper/d_b.raw", "out/new/z_b.raw"}));
}

TEST(ScanmillConvert, DamagedFileIsReportedAndTheOthersConvertedUnlessFailFast) {
    ScratchDirectory dir;
    for (const char* name : {"in/a.raw", "in/b.raw", "in/c.raw"}) {
        writeScan(dir, name, 2000);
    }
    fs::resize_file(dir / "in/b.raw", 1000);
    const std::string damaged = "scanmill-convert: in/b.raw: file ends after 1,000 bytes, but its "
                                "2,000 points need 8,200 bytes\n";

    const Ran run = convert(dir, "-o out in");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, damaged + summary(2, 1, 0, 0));
    EXPECT_EQ(run.out, "in/a.raw" + asciiWords + "out/a.dat\n" + //
                           "in/c.raw" + asciiWords + "out/c.dat\n");
    EXPECT_EQ(readFile(dir / "out/c.dat"), asciiOf(dir, "in/c.raw"));
    EXPECT_EQ(filesBelow(dir, "out"), (std::vector<std::string>{"out/a.dat", "out/c.dat"}));

    fs::remove_all(dir / "out");
    const Ran failFast = convert(dir, "--fail-fast -o out in");
    EXPECT_EQ(failFast.status, 1);
    EXPECT_EQ(failFast.err, damaged + summary(1, 1, 0, 0));
    EXPECT_EQ(failFast.out, "in/a.raw" + asciiWords + "out/a.dat\n");
    EXPECT_EQ(filesBelow(dir, "out"), std::vector<std::string>{"out/a.dat"});
}

// Found in a directory or named, as a shell's *.raw names a folder's
// earlier outputs: a nightly job must not fail on them.
TEST(ScanmillConvert, BrukerFileIsCountedAsSkippedNamedOnlyWhenVerbose) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    writeFile(dir / "in/a_b.raw", formatBrukerRaw(readRigakuRaw(dir / "in/a.raw")));

    const Ran inDirectory = convert(dir, "in");
    EXPECT_EQ(inDirectory.status, 0);
    EXPECT_EQ(inDirectory.err, summary(1, 0, 1, 0));
    EXPECT_EQ(inDirectory.out, "in/a.raw" + asciiWords + "in/a.dat\n");

    const Ran verbose = convert(dir, "-v in");
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.err, "scanmill-convert: in/a_b.raw: " + std::string(skippedBrukerText) +
                               "\n" + summary(1, 0, 1, 0));

    const Ran named = convert(dir, "in/a.raw in/a_b.raw");
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(named.err, summary(1, 0, 1, 0));
    EXPECT_EQ(named.out, "in/a.raw" + asciiWords + "in/a.dat\n");
    EXPECT_EQ(filesBelow(dir, "in"),
              (std::vector<std::string>{"in/a.dat", "in/a.raw", "in/a_b.raw"}));

    // Converted again: the earlier output, an input too, is replaced, then passed over.
    const Ran again = convert(dir, "-f bruker in");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "in/a.raw" + brukerWords + "in/a_b.raw\n");
    EXPECT_EQ(again.err, summary(1, 0, 1, 0));
}

// Every clash is named, each pair once, with a pointer to --keep-dots where
// it would keep the names apart; the files of a clash are not converted.
TEST(ScanmillConvert, EveryClashIsListedAndTheRestConvertedUnlessFailFast) {
    ScratchDirectory dir;
    for (const char* name : {"in/first.raw", "in/quartz.v1.raw", "in/quartz.v2.raw",
                             "in/quartz.v3.raw", "x/b.raw", "y/b.raw"}) {
        writeScan(dir, name);
    }
    const std::string clashes =
        "scanmill-convert: out/quartz.dat: in/quartz.v1.raw and in/quartz.v2.raw would both be "
        "written to this file (--keep-dots keeps their names apart)\n"
        "scanmill-convert: out/quartz.dat: in/quartz.v1.raw and in/quartz.v3.raw would both be "
        "written to this file (--keep-dots keeps their names apart)\n"
        "scanmill-convert: out/b.dat: x/b.raw and y/b.raw would both be written to this file\n";

    const Ran run = convert(dir, "-o out in x/b.raw y/b.raw");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, clashes + summary(1, 5, 0, 0));
    EXPECT_EQ(run.out, "in/first.raw" + asciiWords + "out/first.dat\n");
    EXPECT_EQ(filesBelow(dir, "out"), std::vector<std::string>{"out/first.dat"});

    fs::remove_all(dir / "out");
    const Ran failFast = convert(dir, "--fail-fast -o out in x/b.raw y/b.raw");
    EXPECT_EQ(failFast.status, 1);
    EXPECT_EQ(failFast.err, clashes + summary(0, 5, 0, 0));
    EXPECT_EQ(failFast.out, "");
    EXPECT_FALSE(fs::exists(dir / "out"));

    // Named up to the last dot, the series no longer clash.
    const Ran kept = convert(dir, "--keep-dots -f XYE --anode mo in");
    EXPECT_EQ(kept.status, 0) << kept.err;
    const std::string xyeWords = "     converted to xye file     ";
    EXPECT_EQ(kept.out, "in/first.raw" + xyeWords + "in/first.xye\n" + "in/quartz.v1.raw" +
                            xyeWords + "in/quartz.v1.xye\n" + "in/quartz.v2.raw" + xyeWords +
                            "in/quartz.v2.xye\n" + "in/quartz.v3.raw" + xyeWords +
                            "in/quartz.v3.xye\n");
    EXPECT_EQ(readFile(dir / "in/quartz.v2.xye"),
              formatXye(readRigakuRaw(dir / "in/quartz.v2.raw"), "quartz.v2.raw", Anode::Mo));

    // A plot per scan, under the same naming rules.
    EXPECT_EQ(convert(dir, "-q -f svg -o plots in/quartz.v2.raw").status, 0);
    EXPECT_EQ(readFile(dir / "plots/quartz.svg"),
              formatSvg(readRigakuRaw(dir / "in/quartz.v2.raw"), "quartz.v2.raw",
                        {IntensityScale::Linear, {800, 500}, Anode::Cu}));
    // On another scale, at another size; both for plots alone.
    EXPECT_EQ(
        convert(dir, "-q -f svg --scale LOG --plot-size 640x400 -o log in/quartz.v2.raw").status,
        0);
    EXPECT_EQ(readFile(dir / "log/quartz.svg"),
              formatSvg(readRigakuRaw(dir / "in/quartz.v2.raw"), "quartz.v2.raw",
                        {IntensityScale::Log, {640, 400}, Anode::Cu}));
    EXPECT_EQ(convert(dir, "-q --scale log in/quartz.v2.raw").status, 2);
    EXPECT_EQ(convert(dir, "-q -f svg --plot-size 640 in/quartz.v2.raw").status, 2);
}

// pdCIF needs a range of at least two points; a dry run, which reads headers
// only, finds that as the real run does. Points that are not finite are
// told on the status line of every format.
TEST(ScanmillConvert, PdCifRefusesScansWithoutARangeAndLinesTellPointsNotFinite) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    writeScan(dir, "in/one.raw", 1);
    RigakuFields fields;
    fields.intensities = {4308.0F, std::numeric_limits<float>::quiet_NaN(), 5524.0F};
    writeFile(dir / "in/nan.raw", rigakuBytes(fields));
    const std::string refused = "scanmill-convert: in/one.raw: cannot be written as pdCIF: 1 "
                                "point, where a range needs at least 2\n";
    const std::string cifWords = "     converted to pdCIF file     ";

    const Ran dry = convert(dir, "-n -f cif -o out in");
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.err, refused + "2 would be converted, 1 failed, 0 skipped, 0 up to date\n");
    const Ran run = convert(dir, "-f cif -o out in");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, refused + summary(2, 1, 0, 0));
    EXPECT_EQ(run.out, "in/a.raw" + cifWords + "out/a.cif\n" + "in/nan.raw" + cifWords +
                           "out/nan.cif  (1 point not finite)\n");
    EXPECT_EQ(readFile(dir / "out/nan.cif"),
              formatPdCif(readRigakuRaw(dir / "in/nan.raw"), "in/nan.raw", "out/nan.cif"));
    EXPECT_EQ(convert(dir, "-f bruker in/nan.raw").out,
              "in/nan.raw" + brukerWords + "in/nan_b.raw  (1 point not finite)\n");
}

// The page of a run: a card per scan in a section per folder, linked
// relative to the page, a failure in red, holes marked, and every title and
// name escaped; with -u it still shows the scans converted before.
TEST(ScanmillConvert, IndexPageShowsEveryScanOfTheArchive) {
    ScratchDirectory dir;
    RigakuFields hostile;
    hostile.title = "<script>alert(1)</script> & \"quoted\"";
    hostile.intensities = {1, std::numeric_limits<float>::quiet_NaN(), 3};
    fs::create_directories(dir.path() / "archive/2005-02");
    writeFile(dir / "archive/2005-02/s 1#a.raw", rigakuBytes(hostile));
    writeScan(dir, "archive/2005-01/s0001.raw");
    writeFile(dir / "archive/2005-01/zz.raw", "damaged");

    // Folders and failures name paths as the system does: "\\" on Windows.
    const auto page = [&] {
        std::string text = readFile(dir / "out/index.html");
#ifdef _WIN32
        std::replace(text.begin(), text.end(), '\\', '/');
#endif
        return text;
    };
    const Ran run = convert(dir, "-q -r --index -o out archive");
    EXPECT_EQ(run.status, 1);
    const std::string first = page();
    EXPECT_NE(first.find("<p>2 converted, 1 failed, 0 skipped, 0 up to date."), std::string::npos);
    const std::size_t january = first.find("<h2>archive/2005-01</h2>");
    const std::size_t february = first.find("<h2>archive/2005-02</h2>");
    EXPECT_LT(january, february);
    EXPECT_NE(first.find("<a href=\"2005-01/s0001.dat\">s0001.dat</a>"), std::string::npos);
    EXPECT_NE(first.find("<a href=\"2005-02/s%201%23a.dat\">s 1#a.dat</a>"), std::string::npos);
    EXPECT_NE(first.find("<div class=\"card failed\"><h3>zz.raw</h3><p class=\"why\">archive/"
                         "2005-01/zz.raw: file ends after 7 bytes"),
              std::string::npos);
    EXPECT_NE(first.find("<p class=\"holes\">1 point not finite"), std::string::npos);
    EXPECT_EQ(first.find("<script"), std::string::npos);
    EXPECT_NE(first.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;quoted&quot;"),
              std::string::npos);

    const Ran update = convert(dir, "-q -r -u --index -o out archive");
    EXPECT_EQ(update.status, 1);
    std::string again = page();
    EXPECT_NE(again.find("<p>0 converted, 1 failed, 0 skipped, 2 up to date."), std::string::npos);
    const auto cardsOf = [](std::string text) { return text.substr(text.find("<section>")); };
    EXPECT_EQ(cardsOf(again), cardsOf(first));

    // A run that converts nothing still makes its directory for the page.
    EXPECT_EQ(convert(dir, "-q --index -o new/dir archive/2005-01/zz.raw").status, 1);
    EXPECT_NE(readFile(dir / "new/dir/index.html").find("<h3>zz.raw</h3>"), std::string::npos);
}

// The example scans convert, and the damaged one fails with its reason.
TEST(ScanmillConvert, ExamplesConvertButTheDamagedOne) {
    std::error_code unreachable;
    if (!fs::is_directory(SCANMILL_EXAMPLES, unreachable)) {
        GTEST_SKIP() << "the source tree is out of this user's reach";
    }
    ScratchDirectory dir;
    const Ran run = convert(dir, "-q -o out \"" SCANMILL_EXAMPLES "\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.ends_with("zz_damaged.raw: file ends after 4,200 bytes, but its 3,001 "
                                  "points need 12,204 bytes\n"))
        << run.err;
    EXPECT_EQ(filesBelow(dir, "out"),
              (std::vector<std::string>{"out/quartz.dat", "out/silica_glass.dat"}));
}

// As cp -u: an output older than its input is written again, a missing one
// written, and one as old as its input kept as it is; a directory at an
// output's path is no output, however new.
TEST(ScanmillConvert, UpdateConvertsOnlyMissingAndOlderOutputs) {
    ScratchDirectory dir;
    for (const char* name : {"in/a.raw", "in/b.raw"}) {
        writeScan(dir, name);
    }
    ASSERT_EQ(convert(dir, "-q -o out in").status, 0);
    const auto inputTime = fs::last_write_time(dir.path() / "in/b.raw");
    writeFile(dir / "out/a.dat", "as old as its input");
    // As old as its input: up to date, as cp -u judges, where the time holds
    // a part of a second. Where setting a time keeps whole seconds only, as
    // the Windows C runtime's does, a second newer stands for it.
    const auto stamp = inputTime - std::chrono::hours(2) + std::chrono::milliseconds(500);
    for (const char* path : {"in/a.raw", "out/a.dat"}) {
        fs::last_write_time(dir.path() / path, stamp);
    }
    if (fs::last_write_time(dir.path() / "out/a.dat") != stamp) {
        fs::last_write_time(dir.path() / "out/a.dat", stamp + std::chrono::seconds(1));
    }
    fs::last_write_time(dir.path() / "out/b.dat", inputTime - std::chrono::hours(1));
    writeScan(dir, "in/c.raw");
    writeScan(dir, "in/d.raw");
    fs::create_directory(dir / "out/d.dat");

    const Ran run = convert(dir, "-u -o out in");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "in/b.raw" + asciiWords + "out/b.dat\n" + //
                           "in/c.raw" + asciiWords + "out/c.dat\n");
    EXPECT_EQ(run.err, "scanmill-convert: out/d.dat: exists and is not a regular file; kept\n" +
                           summary(2, 1, 0, 1));
    EXPECT_EQ(readFile(dir / "out/a.dat"), "as old as its input");
    EXPECT_EQ(readFile(dir / "out/b.dat"), asciiOf(dir, "in/b.raw"));

    // Equal times on whole seconds, as where a file system keeps only those,
    // tell nothing: the scan may have been written again within that second.
    const auto wholeSecond = std::chrono::floor<std::chrono::seconds>(inputTime);
    for (const char* path : {"in/a.raw", "out/a.dat"}) {
        fs::last_write_time(dir.path() / path, wholeSecond);
    }
    EXPECT_EQ(convert(dir, "-u -o out in/a.raw").out, "in/a.raw" + asciiWords + "out/a.dat\n");

    // An empty output, however new, is what a power cut leaves of a new file.
    writeFile(dir / "out/a.dat", "");
    const Ran empty = convert(dir, "-u --sync -o out in/a.raw");
    EXPECT_EQ(empty.out, "in/a.raw" + asciiWords + "out/a.dat\n");
    EXPECT_EQ(readFile(dir / "out/a.dat"), asciiOf(dir, "in/a.raw"));
}

// The dry run's lines and summary, as the real run would say them.
Ran asRealRun(Ran dry) {
    for (std::string* text : {&dry.out, &dry.err}) {
        for (std::size_t at; (at = text->find("would be converted")) != std::string::npos;) {
            text->erase(at, 9);
        }
    }
    return dry;
}

// A dry run reads each header and looks up each output, so that it says and
// counts what the real run then does; it writes nothing, not even a
// directory.
TEST(ScanmillConvert, DryRunPredictsTheRealRunAndWritesNothing) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    writeScan(dir, "in/damaged.raw");
    fs::resize_file(dir / "in/damaged.raw", 210);
    writeFile(dir / "in/a_b.raw", formatBrukerRaw(readRigakuRaw(dir / "in/a.raw")));
    writeFile(dir / "in/notes.txt", "quartz, 40 kV\n");
    const auto predicts = [&](const std::string& arguments) {
        const Ran dry = convert(dir, "-n " + arguments);
        const Ran real = convert(dir, arguments);
        EXPECT_EQ(dry.status, real.status) << arguments;
        EXPECT_EQ(asRealRun(dry).out, real.out) << arguments;
        EXPECT_EQ(asRealRun(dry).err, real.err) << arguments;
        return dry;
    };

    const Ran folder = convert(dir, "-n -o out in in/notes.txt");
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_EQ(folder.out, "in/a.raw     would be converted to 2-column ASCII file     out/a.dat\n");
    EXPECT_EQ(folder.err,
              "scanmill-convert: in/damaged.raw: file ends after 210 bytes, but its 3 points need "
              "212 bytes\nscanmill-convert: in/notes.txt: file ends after 14 bytes, but its header "
              "needs 200 bytes\n1 would be converted, 2 failed, 1 skipped, 0 up to date\n");
    predicts("-o out in in/notes.txt");
    EXPECT_EQ(predicts("in/a_b.raw").status, 0);

    // Outputs that are kept: read-only, a directory, a file that is no
    // Bruker file under a Bruker output's name.
    writeScan(dir, "kept/a.raw");
    writeScan(dir, "kept/b.raw");
    writeFile(dir / "kept/a.dat", "read-only");
    fs::permissions(dir / "kept/a.dat",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::create_directory(dir / "kept/b.dat");
    EXPECT_TRUE(predicts("kept").err.ends_with("\n0 would be converted, 2 failed, 0 skipped, 0 "
                                               "up to date\n"));
    writeFile(dir / "kept/c_b.raw", "someone's notes");
    writeScan(dir, "kept/c.raw");
    predicts("-f bruker kept/c.raw");
#ifndef _WIN32
    // A directory that takes no new file; root writes into it all the same.
    fs::create_directory(dir / "sealed");
    fs::permissions(dir / "sealed", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(predicts("-o sealed in/a.raw").status, geteuid() == 0 ? 0 : 1);
    fs::permissions(dir / "sealed", fs::perms::owner_write, fs::perm_options::add);
#endif

    writeScan(dir, "in/a.v2.raw");
    const Ran clash = predicts("in");
    EXPECT_EQ(clash.status, 1);
    EXPECT_EQ(clash.err.substr(0, 43), "scanmill-convert: in/a.dat: in/a.raw and in");
}

// An output directory inside the tree is not walked on the next run, and no
// directory is left where no file was written.
TEST(ScanmillConvert, OutputTreeIsNotWalkedAndDirectoriesAreMadeOnlyForFilesWritten) {
    ScratchDirectory dir;
    for (const char* name : {"in/a.raw", "in/sub/bad.raw"}) {
        writeScan(dir, name);
    }
    fs::resize_file(dir / "in/sub/bad.raw", 100);
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        const Ran again = convert(dir, "-r -f bruker -o in/converted in");
        EXPECT_EQ(again.status, 1);
        EXPECT_EQ(again.err, "scanmill-convert: in/sub/bad.raw: file ends after 100 bytes, "
                             "but its header needs 200 bytes\n" +
                                 summary(1, 1, 0, 0));
    }
    EXPECT_EQ(filesBelow(dir, "in"),
              (std::vector<std::string>{"in/a.raw", "in/converted/a_b.raw", "in/sub/bad.raw"}));
    EXPECT_FALSE(fs::exists(dir / "in/converted/sub"));

    const Ran missing = convert(dir, "-o made missing.raw");
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(fs::exists(dir / "made"));
}

TEST(ScanmillConvert, UsageErrorsExitWithTwoAndWriteNothing) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    for (const char* arguments : {"", "-f csv in", "-j 0 in", "--jobs=many in", "--bogus in", "-o",
                                  "-q", "-x", "-o \"\" in", "--output-dir= in in", "--anode= in",
                                  "--jobs= in", "-f \"\" in", "-o= in", "--index in"}) {
        SCOPED_TRACE(arguments);
        const Ran run = convert(dir, arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind("scanmill-convert: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(filesBelow(dir, "in"), std::vector<std::string>{"in/a.raw"});
    EXPECT_EQ(convert(dir, "-x").err.substr(0, 36), "scanmill-convert: unknown option -x\n");
    // A typo's nearest option is named; a stranger word gets no guess.
    EXPECT_TRUE(convert(dir, "--ouput-dir=out in")
                    .err.starts_with("scanmill-convert: unknown option --ouput-dir=out: did you "
                                     "mean --output-dir?\n"));
    EXPECT_TRUE(
        convert(dir, "--colour in").err.starts_with("scanmill-convert: unknown option --colour\n"));

    // An unset variable in a script gives an empty value, which must never
    // let the next argument, here the archive in/, stand in for it.
    EXPECT_EQ(convert(dir, "--output-dir= in in").err.substr(0, 79),
              "scanmill-convert: --output-dir: DIR is empty (use . for the current directory)\n");
    EXPECT_EQ(convert(dir, "-o=out in").err.substr(0, 80),
              "scanmill-convert: -o=out: a short option takes its value after a blank (-o DIR)\n");

    const Ran help = convert(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: scanmill-convert [OPTIONS] PATH..."), std::string::npos);
#ifndef _WIN32
    EXPECT_TRUE(help.out.ends_with("See scanmill-convert(1).\n")) << help.out;
#endif
    const Ran version = convert(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "scanmill-convert " SCANMILL_VERSION "\n");
}

// quartz.raw's Bruker output would be the scan quartz_b.raw, of the "a/b"
// series: named before anything is written, the rest converted. The rule and
// its other cases are the engine's and are tested there.
TEST(ScanmillConvert, OutputOverAnInputIsNamedAndTheRestConverted) {
    ScratchDirectory dir;
    writeScan(dir, "in/quartz.raw");
    writeScan(dir, "in/quartz_b.raw");
    const std::string scan = readFile(dir / "in/quartz_b.raw");
    const Ran run = convert(dir, "-f bruker in");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "scanmill-convert: in/quartz_b.raw: in/quartz.raw would be written over "
                       "this input\n" +
                           summary(1, 1, 0, 0));
    EXPECT_EQ(run.out, "in/quartz_b.raw" + brukerWords + "in/quartz_b_b.raw\n");
    EXPECT_EQ(readFile(dir / "in/quartz_b.raw"), scan);
}

TEST(ScanmillConvert, DirectoriesWithoutScansAreSaidPipesCountedAndLinkLoopsNotFollowed) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    fs::create_directories(dir.path() / "in/sub");
    fs::create_directories(dir.path() / "empty/sub");
#ifndef _WIN32
    fs::create_directory_symlink("..", dir.path() / "in/sub/loop");
#endif
    const Ran run = convert(dir, "-r in empty");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "in/a.raw" + asciiWords + "in/a.dat\n");
    EXPECT_EQ(run.err,
              "scanmill-convert: empty: no .raw files in it or below\n" + summary(1, 0, 0, 0));
    const Ran flat = convert(dir, "-q empty");
    EXPECT_EQ(flat.err, "scanmill-convert: empty: no .raw files in this directory\n");
#ifndef _WIN32
    // A .raw found that is no file to read is named and counted, never dropped.
    ASSERT_EQ(mkfifo((dir / "in/sub/pipe.raw").c_str(), 0600), 0);
    const Ran pipe = convert(dir, "-r in");
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.err, "scanmill-convert: in/sub/pipe.raw: not a regular file; not converted\n" +
                            summary(1, 1, 0, 0));
    // A link to a scan found in a listing is that scan.
    fs::remove(dir / "in/sub/pipe.raw");
    writeScan(dir, "elsewhere/s.raw");
    fs::create_symlink("../../elsewhere/s.raw", dir.path() / "in/sub/link.raw");
    EXPECT_EQ(convert(dir, "-q -r in").status, 0);
    EXPECT_EQ(readFile(dir / "in/sub/link.dat"),
              formatTwoColumnAscii(readRigakuRaw(dir / "elsewhere/s.raw")));
    // Named, a pipe is read as it comes; a dry run opens it not, as it would
    // wait for a writer and take its data.
    ASSERT_EQ(mkfifo((dir / "in/sub/pipe.raw").c_str(), 0600), 0);
    const Ran named = convert(dir, "-n in/sub/pipe.raw");
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(named.out, "in/sub/pipe.raw     would be converted to 2-column ASCII file     "
                         "in/sub/pipe.dat  (not a regular file: read as it comes)\n");
#endif
    // "/" begins a path on Windows too, where CLI11 would take it for an option.
    const Ran rooted = convert(dir, "-q /no-such-directory/a.raw");
    EXPECT_EQ(rooted.status, 1);
#ifdef _WIN32
    const std::string words = testing::windowsWords(ERROR_PATH_NOT_FOUND);
#else
    const std::string words = "No such file or directory";
#endif
    EXPECT_EQ(rooted.err, "scanmill-convert: /no-such-directory/a.raw: " + words + "\n");
}

#ifndef _WIN32
// Hostile names: control characters reach no terminal, in status lines, in
// failures or in usage errors.
TEST(ScanmillConvertNames, ControlCharactersArePrintedEscaped) {
    ScratchDirectory dir;
    writeScan(dir, "in/esc\x1b]0;PWNED\a.raw");
    writeScan(dir, "in/fake.raw\nx.raw", 2000);
    fs::resize_file(dir / "in/fake.raw\nx.raw", 300);
    const Ran run = convert(dir, "in");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "in/esc\\e]0;PWNED\\a.raw" + asciiWords + "in/esc\\e]0;PWNED\\a.dat\n");
    EXPECT_EQ(run.err, "scanmill-convert: in/fake.raw\\nx.raw: file ends after 300 bytes, but "
                       "its 2,000 points need 8,200 bytes\n" +
                           summary(1, 1, 0, 0));
    const Ran usage = convert(dir, "-f 'x\x1b[2Jy' in");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("x\\e[2Jy not in"), std::string::npos) << usage.err;
}

// scanmill-convert started as a process the test holds: standard output and
// error into files (or output into a pipe no one reads), SIGPIPE as the
// system sets it, and whileRunning called with its process id.
struct Started {
    std::string output;         // where standard output goes; empty: a file
    bool closedOutput = false;  // into a pipe whose reading end is closed
    bool closedStreams = false; // standard output and error closed, as some schedulers start jobs
    std::function<void(pid_t)> whileRunning = [](pid_t) {};
};

Ran start(const ScratchDirectory& dir, const std::vector<std::string>& arguments,
          const Started& how) {
    const std::string streams = dir.path().string() + "-out";
    const std::string program = convertProgram().string();
    std::vector<const char*> argv = {program.c_str()};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        int closed[2];
        const int out = how.closedOutput ? (pipe(closed) == 0 ? (close(closed[0]), closed[1]) : -1)
                                         : open(how.output.empty() ? (streams + ".1").c_str()
                                                                   : how.output.c_str(),
                                                O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open((streams + ".2").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            chdir(dir.path().c_str()) != 0) {
            _exit(99);
        }
        if (how.closedStreams) {
            close(1);
            close(2);
        }
        std::signal(SIGPIPE, SIG_DFL);
        execv(program.c_str(), const_cast<char* const*>(argv.data()));
        _exit(98);
    }
    how.whileRunning(child);
    int status = 0;
    waitpid(child, &status, 0);
    Ran run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    run.out = fs::exists(streams + ".1") ? readFile(streams + ".1") : "";
    run.err = readFile(streams + ".2");
    fs::remove(streams + ".1");
    fs::remove(streams + ".2");
    return run;
}

// Every name in dir/sub ending in ".part": temporaries left behind.
std::vector<std::string> temporariesIn(const ScratchDirectory& dir, const std::string& sub) {
    std::vector<std::string> found;
    for (const std::string& name : testing::entriesOf(dir.path() / sub)) {
        if (name.ends_with(".part")) {
            found.push_back(name);
        }
    }
    return found;
}

// SIGTERM while b.raw, a pipe, is awaited and c.raw's temporary is written
// ahead: that temporary is removed, a.raw's output stays whole, and no
// directory is left for c.raw, as one is made only with the file that fills
// it. Before the first file is in place, no directory is left at all.
TEST(ScanmillConvertInterrupted, TerminatedRunLeavesOnlyWholeOutputs) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    ASSERT_EQ(mkfifo((dir / "in/b.raw").c_str(), 0600), 0);
    writeScan(dir, "in/sub/deeper/c.raw", 2000);
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "a.raw first" : "the pipe first");
        Started how;
        bool sawTemporary = false;
        how.whileRunning = [&](pid_t child) {
            for (int wait = 0; wait < 1000 && !sawTemporary; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                // Until its directory is made, in the nearest one that exists.
                const bool out = fs::exists(dir / "out");
                sawTemporary =
                    (!first || fs::exists(dir / "out/a.dat")) &&
                    temporariesIn(dir, ".").size() + (out ? temporariesIn(dir, "out").size() : 0) ==
                        1;
            }
            kill(child, SIGTERM);
        };
        std::vector<std::string> arguments = {"-r", "-j", "3", "-o", "out", "in/b.raw", "in/sub"};
        if (first) {
            arguments.insert(arguments.begin() + 5, "in/a.raw");
        }
        const Ran run = start(dir, arguments, how);
        EXPECT_TRUE(sawTemporary) << "c.raw's temporary was never seen";
        EXPECT_EQ(run.status, 128 + SIGTERM);
        EXPECT_EQ(run.err, "scanmill-convert: interrupted (SIGTERM)\n");
        EXPECT_TRUE(temporariesIn(dir, ".").empty());
        if (first) {
            EXPECT_EQ(run.out, "in/a.raw" + asciiWords + "out/a.dat\n");
            EXPECT_EQ(testing::entriesOf(dir.path() / "out"), std::vector<std::string>{"a.dat"});
            EXPECT_EQ(readFile(dir / "out/a.dat"), asciiOf(dir, "in/a.raw"));
            fs::remove_all(dir / "out");
        } else {
            EXPECT_EQ(run.out, "");
            EXPECT_FALSE(fs::exists(dir / "out"));
        }
    }
}

TEST(ScanmillConvertInterrupted, OutputThatCannotBeWrittenFails) {
    ScratchDirectory dir;
    for (int i = 0; i < 300; ++i) {
        writeScan(dir, "in/s" + std::to_string(1000 + i) + ".raw");
    }
    Started how;
    how.closedOutput = true;
    const Ran run = start(dir, {"-j", "2", "-o", "out", "in"}, how);
    EXPECT_EQ(run.status, 128 + SIGPIPE);
    EXPECT_EQ(run.err, "scanmill-convert: standard output: Broken pipe\n");
    EXPECT_LT(filesBelow(dir, "out").size(), 300u);
    EXPECT_EQ(temporariesIn(dir, "out"), std::vector<std::string>{});

    Started full;
    full.output = "/dev/full";
    for (const char* option : {"--help", "--version"}) {
        const Ran unwritten = start(dir, {option}, full);
        EXPECT_EQ(unwritten.status, 1) << option;
        EXPECT_EQ(unwritten.err, "scanmill-convert: standard output: No space left on device\n");
    }
}

// Started with standard output and error closed, as some schedulers start
// jobs, the run opens them on /dev/null before anything else, so no scan or
// output takes their numbers and no status line lands in a file. Seen while
// the run waits on its input, a pipe held open by the test.
TEST(ScanmillConvertInterrupted, ClosedStandardStreamsAreNoFilesOfTheRun) {
    ScratchDirectory dir;
    const std::string pipePath = dir / "waiting.raw";
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    const int held = open(pipePath.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    const fs::path program = fs::canonical(convertProgram());
    std::vector<std::string> streams;
    Started how;
    how.closedStreams = true;
    how.whileRunning = [&](pid_t child) {
        const auto linkOf = [child](const std::string& name) {
            std::error_code absent;
            return fs::read_symlink("/proc/" + std::to_string(child) + "/" + name, absent);
        };
        for (int wait = 0; wait < 1000 && streams.empty(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (int descriptor = 0; descriptor < 16 && linkOf("exe") == program; ++descriptor) {
                if (linkOf("fd/" + std::to_string(descriptor)) == pipePath) {
                    streams = {linkOf("fd/1").string(), linkOf("fd/2").string()};
                }
            }
        }
        kill(child, SIGTERM);
    };
    EXPECT_EQ(start(dir, {"-o", "out", "waiting.raw"}, how).status, 128 + SIGTERM);
    close(held);
    EXPECT_EQ(streams, (std::vector<std::string>{"/dev/null", "/dev/null"}));
}

#endif

#ifdef _WIN32
using testing::removeTree;
using testing::verbatim;

// Names beyond any one ANSI code page pass whole, named on the command line
// or found in a directory; status lines show them in UTF-8, with Windows'
// separator and line end.
// Names that differ only in case are one file on Windows, dots kept or not:
// no pointer to --keep-dots there.
TEST(ScanmillConvert, CaseOnlyClashOnWindowsHasNoKeepDotsPointer) {
    ScratchDirectory dir;
    writeScan(dir, "x/A.raw");
    writeScan(dir, "y/a.raw");
    const Ran run = convert(dir, "-o out x/A.raw y/a.raw");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "scanmill-convert: out/a.dat: x/A.raw and y/a.raw would both be written to "
                       "this file\n" +
                           summary(0, 2, 0, 0));
}

// No .raw is missed on Windows: a tree deeper than 260 characters converts,
// and names Windows cannot open are named and counted as failed.
TEST(ScanmillConvert, DeepTreesConvertAndUnopenableNamesFailOnWindows) {
    ScratchDirectory dir;
    std::string deep = "deep";
    fs::create_directory(dir.path() / deep);
    for (int level = 0; level < 12; ++level) {
        deep += "\\folder-" + std::to_string(level) + "-of-a-deep-archive";
        ASSERT_NE(CreateDirectoryW(verbatim(dir.path() / deep).c_str(), nullptr), 0);
    }
    ASSERT_GT((dir.path() / deep).string().size(), 300u);
    writeFile(verbatim(dir.path() / deep / "s.raw"), rigakuBytes({}));
    fs::create_directory(dir.path() / "odd");
    for (const char* name : {"CON.raw", "aux.raw", "ok.raw"}) {
        writeFile(verbatim(dir.path() / "odd") / name, rigakuBytes({}));
    }

    const Ran run = convert(dir, "-r deep odd");
    std::string shown = deep;
    std::replace(shown.begin(), shown.end(), '\\', '/');
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, shown + "/s.raw" + asciiWords + shown + "/s.dat\n" + "odd/ok.raw" +
                           asciiWords + "odd/ok.dat\n");
    EXPECT_EQ(run.err, "scanmill-convert: odd/CON.raw: Windows reserves this name for a device\n"
                       "scanmill-convert: odd/aux.raw: Windows reserves this name for a device\n" +
                           summary(2, 2, 0, 0));
    EXPECT_EQ(readFile(verbatim(dir.path() / deep / "s.dat")),
              formatTwoColumnAscii(readRigakuRaw(dir / deep + "\\s.raw")));
    // Beyond the reach of the standard library, which would also take CON for the device.
    removeTree(dir / "deep");
    for (const char* name : {"CON.raw", "aux.raw"}) {
        DeleteFileW((verbatim(dir.path() / "odd") / name).c_str());
    }
}

// Windows would take "run.\s.raw" for "run\s.raw", another scan: refused,
// named or found in a walk, and the other scan left alone.
TEST(ScanmillConvert, DirectoryNameWindowsWouldChangeIsRefused) {
    ScratchDirectory dir;
    writeScan(dir, "t/run/s.raw");
    ASSERT_NE(CreateDirectoryW(verbatim(dir.path() / "t").append(L"run.").c_str(), nullptr), 0);
    writeFile(verbatim(dir.path() / "t").append(L"run.").append(L"s.raw"), rigakuBytes({}));
    const std::string reason =
        "Windows does not allow a directory name that ends in a dot or a blank (run.)\n";

    const Ran named = convert(dir, "t\\run.\\s.raw");
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.out, "");
    EXPECT_EQ(named.err, "scanmill-convert: t/run./s.raw: " + reason + summary(0, 1, 0, 0));
    EXPECT_EQ(filesBelow(dir, "t/run"), std::vector<std::string>{"t/run/s.raw"});

    const Ran walked = convert(dir, "-r t");
    EXPECT_EQ(walked.status, 1);
    EXPECT_EQ(walked.out, "t/run/s.raw" + asciiWords + "t/run/s.dat\n");
    EXPECT_EQ(walked.err, "scanmill-convert: t/run.: " + reason + summary(1, 1, 0, 0));
    EXPECT_EQ(readFile(dir / "t/run/s.dat"), asciiOf(dir, "t/run/s.raw"));
    // The standard library would take "run." for "run" when it cleans up.
    DeleteFileW(verbatim(dir.path() / "t").append(L"run.").append(L"s.raw").c_str());
    RemoveDirectoryW(verbatim(dir.path() / "t").append(L"run.").c_str());
}

TEST(ScanmillConvert, NonAsciiNamesOnWindows) {
    ScratchDirectory dir;
    const std::string name = "Probe M\xC3\xBCller \xCE\xB1";
    fs::create_directory(dir.path() / "in");
    writeFile(platform::toPath(dir / "in" + "\\" + name + ".raw"), rigakuBytes({}));

    const Ran named = convert(dir, "-f bruker \"in\\" + name + ".raw\"");
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.nativeOut, "in\\" + name + ".raw" + brukerWords + "in\\" + name + "_b.raw\r\n");
    const Ran found = convert(dir, "in");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.nativeOut, "in\\" + name + ".raw" + asciiWords + "in\\" + name + ".dat\r\n");
    EXPECT_EQ(readFile(dir.path() / L"in" / L"Probe M\u00FCller \u03B1.dat"),
              formatTwoColumnAscii(readRigakuRaw(dir / "in" + "\\" + name + ".raw")));
    EXPECT_TRUE(fs::exists(dir.path() / L"in" / L"Probe M\u00FCller \u03B1_b.raw"));
}

// As Windows programs read their command line: wildcards in a path's last
// component match long names in any case, never short ones, and take what
// a directory's listing would, leaving other files out (counted, named with
// -v); "/?" is the help; a quote that a trailing backslash kept in an
// argument is explained.
TEST(ScanmillConvert, WildcardsHelpAndStrayQuotesOnWindows) {
    ScratchDirectory dir;
    for (const char* name : {"in/b.raw", "in/A.RAW", "in/x.rawdata", "in/sub/c.raw"}) {
        writeScan(dir, name);
    }
    const Ran matched = convert(dir, "in\\*.raw");
    EXPECT_EQ(matched.status, 0) << matched.err;
    EXPECT_EQ(matched.out, "in/A.RAW" + asciiWords + "in/A.dat\n" + //
                               "in/b.raw" + asciiWords + "in/b.dat\n");
    // Again with the earlier outputs among the matches.
    const Ran all = convert(dir, "-v -n in\\*");
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err, "scanmill-convert: in/A.dat: not a .raw file; left out\n"
                       "scanmill-convert: in/b.dat: not a .raw file; left out\n"
                       "scanmill-convert: in/x.rawdata: not a .raw file; left out\n"
                       "3 would be converted, 0 failed, 3 skipped, 0 up to date\n");
    const Ran folders = convert(dir, "-n i? in\\s?b");
    EXPECT_EQ(folders.status, 0) << folders.err;
    EXPECT_EQ(folders.err, "3 would be converted, 0 failed, 0 skipped, 0 up to date\n");
    const Ran none = convert(dir, "in\\a.raw in\\*.rwa");
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, "scanmill-convert: no file matches in/*.rwa\n");

    const Ran help = convert(dir, "/?");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Converts Rigaku D/Max-B scans")) << help.out;
    EXPECT_TRUE(help.out.ends_with("See README.txt beside scanmill-convert.exe.\n")) << help.out;

    const Ran quoted = convert(dir, "-o \"out dir\\\" in\\b.raw");
    EXPECT_EQ(quoted.status, 2);
    EXPECT_TRUE(quoted.err.starts_with("scanmill-convert: this argument holds a quote (\"), which "
                                       "no Windows name may hold: out dir\" in/b.raw"))
        << quoted.err;
    EXPECT_NE(quoted.err.find("leave the backslash out or double it"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out dir"));
    EXPECT_EQ(filesBelow(dir, "in"),
              (std::vector<std::string>{"in/A.RAW", "in/A.dat", "in/b.dat", "in/b.raw",
                                        "in/sub/c.raw", "in/x.rawdata"}));
}
#endif

} // namespace
} // namespace scanmill
