// SPDX-License-Identifier: MIT
#pragma once

#include "platform.h"
#include "scan_record.h"

#include <optional>
#include <string>
#include <string_view>

namespace scanmill {

// The FileError for a file that begins as a Bruker RAW file does: no scan,
// though its name may match "*.raw". Its own type lets a caller that only
// came across the file in a directory pass over it.
class NotAScanError : public FileError {
public:
    using FileError::FileError;
};

// True when a file beginning with these bytes is a Bruker RAW file: it
// begins with the identifier of one of the format's versions.
bool startsAsBrukerRaw(std::string_view firstBytes);

// Reads the header fields and intensities of a Rigaku D/Max-B raw scan.
// Throws NotAScanError when the file begins as a Bruker RAW file does, and
// FileError when it cannot be read, announces a negative point count, has a
// start, step or last angle that is NaN or infinite, or ends before its
// last point.
ScanRecord readRigakuRaw(const std::string& path);

// The same, telling also how the file was as it was opened, so that a caller
// can see whether it changed before its output is put in place.
ScanRecord readRigakuRaw(const std::string& path, std::optional<platform::FileStatus>& opened);

// What readRigakuRaw would make of the file, found from its header and its
// size without reading its points: the same failures with the same
// messages, and the scan without its intensities.
ScanRecord readRigakuHeader(const std::string& path);

} // namespace scanmill
