// SPDX-License-Identifier: MIT
// scanmill-convert run as a program on files in a scratch directory. Outputs
// are compared with what the engine's own writers make of each input.
#include "ascii_writer.h"
#include "bruker_writer.h"
#include "platform.h"
#include "rigaku_reader.h"
#include "scan_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace scanmill {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::rigakuBytes;
using testing::RigakuFields;
using testing::ScratchDirectory;
using testing::writeFile;

const std::string asciiWords = "     converted to 2-column ASCII file     ";
const std::string brukerWords = "     converted to Bruker-AXS Diffrac Plus file     ";

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

// Runs scanmill-convert with arguments (UTF-8) in dir, so that paths are
// relative to it.
Ran convert(const ScratchDirectory& dir, const std::string& arguments) {
    const fs::path streams = dir.path().parent_path() / (dir.path().filename().string() + "-out");
    // Made absolute before leaving the test's directory: on Windows a path
    // from "/" lies on the current drive.
    const std::string program = fs::absolute(SCANMILL_CONVERT).string();
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
    EXPECT_EQ(run.err, "");
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
    const std::string damaged =
        "scanmill-convert: in/b.raw: file ends after 1000 bytes, but its 2000 points need 8200\n";

    const Ran run = convert(dir, "-o out in");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, damaged);
    EXPECT_EQ(run.out, "in/a.raw" + asciiWords + "out/a.dat\n" + //
                           "in/c.raw" + asciiWords + "out/c.dat\n");
    EXPECT_EQ(readFile(dir / "out/c.dat"), asciiOf(dir, "in/c.raw"));
    EXPECT_EQ(filesBelow(dir, "out"), (std::vector<std::string>{"out/a.dat", "out/c.dat"}));

    fs::remove_all(dir / "out");
    const Ran failFast = convert(dir, "--fail-fast -o out in");
    EXPECT_EQ(failFast.status, 1);
    EXPECT_EQ(failFast.err, damaged);
    EXPECT_EQ(failFast.out, "in/a.raw" + asciiWords + "out/a.dat\n");
    EXPECT_EQ(filesBelow(dir, "out"), std::vector<std::string>{"out/a.dat"});
}

TEST(ScanmillConvert, BrukerFileIsSkippedInADirectoryAndRefusedWhenNamed) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    writeFile(dir / "in/a_b.raw", formatBrukerRaw(readRigakuRaw(dir / "in/a.raw")));
    const std::string notAScan = "in/a_b.raw: not a Rigaku D/Max-B scan (it is a Bruker RAW file)";

    const Ran inDirectory = convert(dir, "in");
    EXPECT_EQ(inDirectory.status, 0);
    EXPECT_EQ(inDirectory.err, "scanmill-convert: " + notAScan + ", skipped\n");
    EXPECT_EQ(inDirectory.out, "in/a.raw" + asciiWords + "in/a.dat\n");

    const Ran named = convert(dir, "in/a_b.raw");
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err, "scanmill-convert: " + notAScan + "\n");
    EXPECT_EQ(named.out, "");
    EXPECT_EQ(filesBelow(dir, "in"),
              (std::vector<std::string>{"in/a.dat", "in/a.raw", "in/a_b.raw"}));
}

TEST(ScanmillConvert, OutputNameClashWritesNothing) {
    ScratchDirectory dir;
    for (const char* name : {"in/first.raw", "in/sample.v2.raw", "in/sample.v3.raw"}) {
        writeScan(dir, name);
    }
    const Ran run = convert(dir, "-o out in");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "scanmill-convert: out/sample.dat: in/sample.v2.raw and in/sample.v3.raw "
                       "would both be written to this file\n");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(ScanmillConvert, UsageErrorsExitWithTwoAndWriteNothing) {
    ScratchDirectory dir;
    writeScan(dir, "in/a.raw");
    for (const char* arguments :
         {"", "-f csv in", "-j 0 in", "--jobs=many in", "--bogus in", "-o", "-q"}) {
        SCOPED_TRACE(arguments);
        const Ran run = convert(dir, arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(filesBelow(dir, "in"), std::vector<std::string>{"in/a.raw"});

    const Ran help = convert(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: scanmill-convert [OPTIONS] PATH..."), std::string::npos);
    const Ran version = convert(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "scanmill-convert " SCANMILL_VERSION "\n");
}

#ifdef _WIN32
// Names beyond any one ANSI code page pass whole, named on the command line
// or found in a directory; status lines show them in UTF-8, with Windows'
// separator and line end.
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
#endif

} // namespace
} // namespace scanmill
