// SPDX-License-Identifier: MIT
// Writes a small seed corpus of Rigaku scans into the directory given: ordinary
// scans, edge counts, damaged headers and odd values, so the fuzzers start from
// inputs that reach every branch of the reader.
#include "file_bytes.h"
#include "rigaku_scan_bytes.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

using namespace scanmill::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];

    writeFile(dir / "empty", "");
    writeFile(dir / "header-only", rigakuBytes(plausibleScan(0)));
    writeFile(dir / "three-points", rigakuBytes(plausibleScan(3)));
    writeFile(dir / "hundred-points", rigakuBytes(plausibleScan(100)));

    const std::string cut = rigakuBytes(plausibleScan(50));
    writeFile(dir / "cut-in-points", cut.substr(0, 230));
    writeFile(dir / "cut-in-header", cut.substr(0, 150));

    RigakuFields negative = plausibleScan(2);
    negative.count = -5;
    writeFile(dir / "negative-count", rigakuBytes(negative));

    RigakuFields odd;
    odd.title = std::string("title\r\nwith\0nul", 15);
    odd.date = "31-feb-99   ";
    odd.intensities = {std::numeric_limits<float>::quiet_NaN(),
                       -std::numeric_limits<float>::infinity(),
                       -0.0f,
                       std::bit_cast<float>(0x00000001u),
                       3.4028235e38f,
                       1e-5f};
    odd.stepTimeBits = 0x7FFFFFFF;
    writeFile(dir / "odd-values", rigakuBytes(odd));
    return 0;
}
