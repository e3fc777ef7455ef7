// SPDX-License-Identifier: MIT
// Any bytes at all, read as a Rigaku scan: either a FileError or a record that
// matches what the bytes announce, never a crash or an out-of-bounds read.
#include "fuzz_support.h"
#include "rigaku_reader.h"

#include <cerrno>
#include <cstring>
#include <string_view>

using namespace scanmill;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz::workDirectory() / "input.raw";
    fuzz::writeBytes(path, data, size);
    try {
        const ScanRecord scan = readRigakuRaw(path.string());
        fuzz::check(size >= 200, "a scan was read from a file shorter than its header");
        fuzz::check(scan.pointCount >= 0, "a negative point count was accepted");
        const auto points = static_cast<std::size_t>(scan.pointCount);
        fuzz::check(scan.intensities.size() == points, "intensities differ from the point count");
        fuzz::check(size >= 200 + 4 * points, "points were read past the end of the file");
        fuzz::check(scan.dateText.size() == 12 && scan.timeText.size() == 8, "text field widths");
        fuzz::check(scan.title.size() <= 40, "title longer than its field");
        fuzz::check(scan.title.empty() || scan.title.back() != ' ', "title keeps a trailing blank");
        const auto* bytes = reinterpret_cast<const char*>(data);
        fuzz::check(scan.dateText == std::string_view(bytes + 4, 12), "date not from offset 4");
        fuzz::check(scan.timeText == std::string_view(bytes + 16, 8), "time not from offset 16");
        fuzz::check(
            std::string_view(bytes + 24, 40).starts_with(scan.title) &&
                std::string_view(bytes + 24, 40).substr(scan.title.size()).find_first_not_of(' ') ==
                    std::string_view::npos,
            "title is not the field at offset 24 less its trailing blanks");
        fuzz::check(std::memcmp(&scan.startTwoTheta, bytes + 136, 4) == 0 &&
                        std::memcmp(&scan.stepSize, bytes + 140, 4) == 0 &&
                        std::memcmp(scan.stepTime.data(), bytes + 148, 4) == 0,
                    "header numbers not from offsets 136, 140 and 148");
        fuzz::check(points == 0 ||
                        std::memcmp(scan.intensities.data(), bytes + 200, 4 * points) == 0,
                    "intensities not from offset 200 on");
    } catch (const FileError& error) {
        const int n = error.number();
        fuzz::check(n == ENODATA || n == EINVAL, "unexpected error number for damaged input");
        fuzz::check(error.description().find(path.string()) == 0,
                    "description does not name the file");
    }
    return 0;
}
