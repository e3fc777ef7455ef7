// Any bytes at all, read as a Rigaku scan: either a FileError or a record that
// matches what the bytes announce, never a crash or an out-of-bounds read.
#include "fuzz_support.h"
#include "rigaku_reader.h"

#include <cerrno>

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
    } catch (const FileError& error) {
        const int n = error.number();
        fuzz::check(n == ENODATA || n == EINVAL, "unexpected error number for damaged input");
        fuzz::check(error.description().find(path.string()) == 0,
                    "description does not name the file");
    }
    return 0;
}
