// SPDX-License-Identifier: MIT
#include "rigaku_reader.h"

#include "file_error.h"
#include "little_endian.h"
#include "names.h"
#include "platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace scanmill {
namespace {

// Offsets of the fields read from a Rigaku D/Max-B raw file.
constexpr std::size_t dateOffset = 4; // 12 characters, e.g. "14-FEB-05   "
constexpr std::size_t dateLength = 12;
constexpr std::size_t timeOffset = 16; // 8 characters
constexpr std::size_t timeLength = 8;
constexpr std::size_t titleOffset = 24; // 40 characters, blank padded
constexpr std::size_t titleLength = 40;
constexpr std::size_t startOffset = 136;    // single, degrees 2-theta
constexpr std::size_t stepOffset = 140;     // single, degrees 2-theta
constexpr std::size_t countOffset = 144;    // signed 16-bit
constexpr std::size_t stepTimeOffset = 148; // single, carried as bytes
constexpr std::size_t headerLength = 200;   // the intensities follow

// How Bruker RAW files begin, one per version of the format. Scanmill writes
// such files next to the scans, under names the "*.raw" filter matches.
constexpr std::array<std::string_view, 4> brukerIdentifiers = {"RAW1.01", "RAW2", "RAW4.00",
                                                               "RAW "};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

std::string textAt(const unsigned char* header, std::size_t offset, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(header + offset), length);
}

std::string trimTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Reads up to size bytes; returns how many arrived before the end of the file.
std::size_t readBytes(std::FILE* file, void* into, std::size_t size, const std::string& path) {
    errno = 0;
    const std::size_t got = std::fread(into, 1, size, file);
    if (got < size && std::ferror(file)) {
        throw systemError(path, lastErrorNumber());
    }
    return got;
}

// needPhrase says what needs the missing bytes: "its header needs", "its 3 points need".
[[noreturn]] void throwTooShort(const std::string& path, std::size_t got,
                                const std::string& needPhrase, std::size_t need) {
    throw FileError(ENODATA, path + ": file ends after " + groupedDigits(got) +
                                 (got == 1 ? " byte, but " : " bytes, but ") + needPhrase + " " +
                                 groupedDigits(need) + " bytes");
}

// Every angle of the scan follows from these two, so one that is not a
// number would make each of them NaN. A step of 0, a scan at one angle, is
// a number like any other.
void refuseNonFiniteAngle(const std::string& path, const char* field, float angle) {
    if (!std::isfinite(angle)) {
        const char* value = std::isnan(angle) ? "NaN" : angle > 0 ? "Inf" : "-Inf";
        throw FileError(EINVAL, path + ": damaged header: " + field + " is " + value);
    }
}

} // namespace

bool startsAsBrukerRaw(std::string_view firstBytes) {
    return std::any_of(brukerIdentifiers.begin(), brukerIdentifiers.end(),
                       [firstBytes](std::string_view id) { return firstBytes.starts_with(id); });
}

ScanRecord readRigakuRaw(const std::string& path) {
    std::optional<platform::FileStatus> opened;
    return readRigakuRaw(path, opened);
}

namespace {

// A scan opened and its header read and checked; its points come next.
struct OpenedScan {
    InputFile file;
    ScanRecord scan;                  // every field but the intensities
    std::size_t needed = 0;           // bytes the file needs for all its points
    std::string pointsNeed;           // what needs them, for the message of a short file
    std::vector<unsigned char> bytes; // read so far, the header first
};

// The most a scan needs: its header and 32,767 points.
constexpr std::size_t largestScan = headerLength + 4 * 32767;

// Opens the scan and reads its header; withPoints, a regular file is read
// whole in the same call, as its size tells.
OpenedScan openScan(const std::string& path, std::optional<platform::FileStatus>& opened,
                    bool withPoints) {
    // Windows would open a device (CON waits for the keyboard) or another file.
    if (const std::string reason = platform::forbiddenNameReason(path); !reason.empty()) {
        throw FileError(EINVAL, path + ": " + reason);
    }
    errno = 0;
    OpenedScan result{InputFile(platform::openForReading(path)), {}, 0, {}, {}};
    std::FILE* file = result.file.get();
    if (!file) {
        throw systemError(path, lastErrorNumber());
    }
    opened = platform::openedFileStatus(file);
    // Unbuffered: each read is one call, for no more than is asked.
    std::setvbuf(file, nullptr, _IONBF, 0);

    std::vector<unsigned char>& bytes = result.bytes;
    bytes.resize(withPoints && opened && opened->regular
                     ? static_cast<std::size_t>(
                           std::clamp<std::uint64_t>(opened->size, headerLength, largestScan))
                     : headerLength);
    bytes.resize(readBytes(file, bytes.data(), bytes.size(), path));
    const std::size_t headerGot = std::min(bytes.size(), headerLength);
    const unsigned char* header = bytes.data();

    if (startsAsBrukerRaw(std::string_view(reinterpret_cast<const char*>(header), headerGot))) {
        throw NotAScanError(EINVAL, path + ": not a Rigaku D/Max-B scan (it is a Bruker RAW file)");
    }

    ScanRecord& scan = result.scan;
    if (headerGot < countOffset + 2) {
        throwTooShort(path, headerGot, "its header needs", headerLength);
    }
    scan.pointCount = le::readInt16(&header[countOffset]);
    if (scan.pointCount < 0) {
        throw FileError(EINVAL,
                        path + ": negative point count (" + std::to_string(scan.pointCount) + ")");
    }
    result.needed = headerLength + 4 * static_cast<std::size_t>(scan.pointCount);
    result.pointsNeed =
        scan.pointCount == 1
            ? std::string("its 1 point needs")
            : "its " + groupedDigits(static_cast<std::size_t>(scan.pointCount)) + " points need";
    if (headerGot < headerLength) {
        throwTooShort(path, headerGot, result.pointsNeed, result.needed);
    }

    scan.dateText = textAt(header, dateOffset, dateLength);
    scan.timeText = textAt(header, timeOffset, timeLength);
    scan.title = trimTrailingBlanks(textAt(header, titleOffset, titleLength));
    scan.startTwoTheta = le::readFloat32(&header[startOffset]);
    scan.stepSize = le::readFloat32(&header[stepOffset]);
    refuseNonFiniteAngle(path, "start angle", scan.startTwoTheta);
    refuseNonFiniteAngle(path, "step angle", scan.stepSize);
    if (scan.pointCount > 0) {
        // Finite ends can still overflow on the way: 3.4E+38 and a step as large.
        refuseNonFiniteAngle(path, "last angle",
                             twoThetaAt(scan, static_cast<std::size_t>(scan.pointCount - 1)));
    }
    for (std::size_t i = 0; i < scan.stepTime.size(); ++i) {
        scan.stepTime[i] = header[stepTimeOffset + i];
    }
    return result;
}

} // namespace

ScanRecord readRigakuRaw(const std::string& path, std::optional<platform::FileStatus>& opened) {
    OpenedScan opening = openScan(path, opened, true);
    ScanRecord& scan = opening.scan;
    scan.intensities.resize(static_cast<std::size_t>(scan.pointCount));
    const std::size_t dataLength = opening.needed - headerLength;
    const std::size_t readAlready = std::min(opening.bytes.size() - headerLength, dataLength);
    auto* data = reinterpret_cast<unsigned char*>(scan.intensities.data());
    std::copy_n(opening.bytes.begin() + headerLength, readAlready, data);
    const std::size_t dataGot =
        readAlready + (readAlready == dataLength ? 0
                                                 : readBytes(opening.file.get(), data + readAlready,
                                                             dataLength - readAlready, path));
    if (dataGot < dataLength) {
        throwTooShort(path, headerLength + dataGot, opening.pointsNeed, opening.needed);
    }
    le::floatsFromLittleEndian(scan.intensities.data(), scan.intensities.size());
    return std::move(scan);
}

ScanRecord readRigakuHeader(const std::string& path) {
    std::optional<platform::FileStatus> opened;
    OpenedScan opening = openScan(path, opened, false);
    // The size tells what reading the points would: a pipe only as it is read.
    if (opened && opened->regular && opened->size < opening.needed) {
        throwTooShort(path, static_cast<std::size_t>(opened->size), opening.pointsNeed,
                      opening.needed);
    }
    return std::move(opening.scan);
}

} // namespace scanmill
