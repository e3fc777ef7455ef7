// SPDX-License-Identifier: MIT
// Any bytes read as a Rigaku scan and, when readable, written in both formats
// and formatted as .xye and pdCIF: the files must have the shape the formats
// promise and nothing else may be left in the output directory.
#include "ascii_writer.h"
#include "bruker_writer.h"
#include "cif_writer.h"
#include "fuzz_support.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

using namespace scanmill;
namespace fs = std::filesystem;

namespace {

void checkOnlyFile(const fs::path& dir, const fs::path& expected) {
    for (const auto& entry : fs::directory_iterator(dir))
        fuzz::check(entry.path() == expected, "a stray file was left in the output directory");
}

// Title line, heading, one line per point; every line ends CR LF. Line-break
// bytes of a damaged title are written as blanks, so the heading stays two lines.
void checkAscii(const std::string& text, const ScanRecord& scan) {
    std::string titleLine = scan.title;
    std::replace_if(
        titleLine.begin(), titleLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    titleLine += "\r\n";
    fuzz::check(text.compare(0, titleLine.size(), titleLine) == 0,
                "ASCII file starts with the title line");
    std::size_t lines = 0;
    std::size_t start = titleLine.size();
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        fuzz::check(end != std::string::npos, "ASCII line without CR LF");
        const std::string line = text.substr(start, end - start);
        fuzz::check(line.find_first_of("\r\n") == std::string::npos, "stray line-break byte");
        if (lines > 0) {
            // A data line: first field padded to 14 characters, second closing the line.
            fuzz::check(line.size() > 14 && line.size() <= 28, "data line length");
            fuzz::check(line.back() == ' ', "data line ends with the field's blank");
        }
        ++lines;
        start = end + 2;
    }
    fuzz::check(lines == static_cast<std::size_t>(scan.pointCount) + 1, "ASCII line count");
}

bool printableAscii(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

// What Rietveld programs insist on: "#" header lines of printable ASCII
// without the marks of Q data, then lines of three numbers separated by
// blanks, each ending LF, one per finite point.
void checkXye(const std::string& text, const ScanRecord& scan) {
    fuzz::check(text.find('\r') == std::string::npos, "CR in an .xye file");
    std::istringstream lines(text);
    std::string line;
    std::size_t comments = 0;
    std::size_t points = 0;
    while (std::getline(lines, line)) {
        if (points == 0 && line.starts_with('#')) {
            fuzz::check(printableAscii(line) && line.find('q') == std::string::npos &&
                            line.find("wavelength") == std::string::npos,
                        ".xye comment GSAS-II reads as something else");
            ++comments;
            continue;
        }
        std::istringstream fields(line);
        std::string field;
        std::size_t count = 0;
        while (fields >> field) {
            ++count;
        }
        fuzz::check(count == 3, ".xye data line without three fields");
        ++points;
    }
    const std::size_t leftOut = nonFinitePoints(scan);
    fuzz::check(comments == 5 + (leftOut > 0 ? 1 : 0), ".xye header lines");
    fuzz::check(points == static_cast<std::size_t>(scan.pointCount) - leftOut, ".xye line count");
    fuzz::check(text.empty() || text.back() == '\n', ".xye ends without LF");
}

// ASCII lines of at most 80 characters; after the one loop's name, one value
// per point.
void checkPdCif(const std::string& text, const ScanRecord& scan) {
    std::istringstream lines(text);
    std::string line;
    std::size_t values = 0;
    bool inLoop = false;
    while (std::getline(lines, line)) {
        fuzz::check(line.size() <= 80 && printableAscii(line), "pdCIF line");
        if (inLoop) {
            values += static_cast<std::size_t>(std::count(line.begin(), line.end(), ' ')) + 1;
        }
        inLoop = inLoop || line == "_pd_meas_counts_total";
    }
    fuzz::check(values == static_cast<std::size_t>(scan.pointCount), "pdCIF value count");
}

void checkBruker(const std::string& bytes, const ScanRecord& scan) {
    const std::size_t points = static_cast<std::size_t>(scan.pointCount);
    fuzz::check(bytes.size() == 1016 + 4 * points, "Bruker file size");
    fuzz::check(bytes.compare(0, 7, "RAW1.01") == 0, "Bruker identifier");
    fuzz::check(points == 0 ||
                    std::memcmp(bytes.data() + 1016, scan.intensities.data(), 4 * points) == 0,
                "Bruker intensities differ from the scan");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& work = fuzz::workDirectory();
    const fs::path input = work / "input.raw";
    const fs::path outDir = work / "out";
    fs::create_directories(outDir);
    fuzz::writeBytes(input, data, size);

    ScanRecord scan;
    try {
        scan = readRigakuRaw(input.string());
    } catch (const FileError&) {
        return 0; // damaged input; the read fuzzer checks how it is reported
    }

    const fs::path ascii = outDir / "scan.dat";
    writeTwoColumnAscii(scan, ascii.string());
    checkOnlyFile(outDir, ascii);
    checkAscii(testing::readFile(ascii), scan);
    fs::remove(ascii);

    checkXye(formatXye(scan, std::string(data, data + std::min<std::size_t>(size, 40))), scan);
    try {
        checkPdCif(formatPdCif(scan, input.string(), (outDir / "scan.cif").string()), scan);
    } catch (const FileError&) {
        // no range to write it with: refused, as the writer's tests check
    }

    const fs::path bruker = outDir / "scan_b.raw";
    writeBrukerRaw(scan, bruker.string());
    checkOnlyFile(outDir, bruker);
    checkBruker(testing::readFile(bruker), scan);
    fs::remove(bruker);
    return 0;
}
