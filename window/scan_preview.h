// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <optional>
#include <string>
#include <vector>

namespace scanmill {

inline constexpr char changedSinceConversionText[] =
    "This file has changed since it was converted.";

// A status line's scan, read again from its input file for a preview window.
struct ScanPreview {
    std::string caption;    // "NAME - Scanmill", NAME shown as every plotted name
    std::string sourceName; // the input file's name, as the system gave it
    ScanRecord scan;
    bool changed = false; // the file is not as it was when converted

    // What the plot's header adds to the scan's own lines: a note when the
    // file has changed.
    std::vector<std::string> notes() const;
};

// What opening a status line gives: a preview, or a message (the scan is
// gone or cannot be read), or neither for a line that stands for no file.
struct PreviewOpening {
    std::optional<ScanPreview> preview;
    std::optional<std::string> message; // shown as the window's other messages
};

} // namespace scanmill
