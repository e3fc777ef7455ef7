// Writes a small seed corpus of Rigaku scans into the directory given: ordinary
// scans, edge counts, damaged headers and odd values, so the fuzzers start from
// inputs that reach every branch of the reader.
#include "rigaku_bytes.h"

#include <bit>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

using namespace scanmill;

namespace {

void save(const std::string& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    save(dir, "empty", "");
    save(dir, "header-only", rigakuBytes(sampleScan(0)));
    save(dir, "three-points", rigakuBytes(sampleScan(3)));
    save(dir, "hundred-points", rigakuBytes(sampleScan(100)));

    std::string cut = rigakuBytes(sampleScan(50));
    save(dir, "cut-in-points", cut.substr(0, 230));
    save(dir, "cut-in-header", cut.substr(0, 150));

    ScanRecord negative = sampleScan(2);
    negative.pointCount = -5;
    save(dir, "negative-count", rigakuBytes(negative));

    ScanRecord odd = sampleScan(6, std::string("title\r\nwith\0nul", 15));
    odd.dateText = "31-feb-99   ";
    odd.intensities = {std::numeric_limits<float>::quiet_NaN(),
                       -std::numeric_limits<float>::infinity(),
                       -0.0f,
                       std::bit_cast<float>(0x00000001u),
                       3.4028235e38f,
                       1e-5f};
    odd.stepTime = {0xff, 0xff, 0xff, 0x7f};
    save(dir, "odd-values", rigakuBytes(odd));
    return 0;
}
