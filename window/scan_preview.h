// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "scan_record.h"

#include <optional>
#include <string>
#include <vector>

namespace scanmill {

inline constexpr char changedSinceConversionText[] =
    "This file has changed since it was converted.";

// A status line's scan, read again from its input file for a preview window.
struct ScanPreview {
    std::string sourceName; // the input file's name, as the system gave it
    ScanRecord scan;
    Anode tube = Anode::Cu; // the tube it was converted with
    bool changed = false;   // the file is not as it was when converted

    // What the plot's header adds to the scan's own lines: a note when the
    // file has changed.
    std::vector<std::string> notes() const;
};

// What opening status lines gives: the scans of one preview, and a message
// where a scan is gone or cannot be read, or more lines are chosen than
// one preview shows. Lines that stand for no file give neither.
struct PreviewOpening {
    std::vector<ScanPreview> scans;
    std::optional<std::string> message; // shown as the window's other messages
};

} // namespace scanmill
