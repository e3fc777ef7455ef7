// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "names.h"
#include "overlap_check.h"
#include "scan_record.h"

#include <functional>
#include <string>

namespace scanmill {

// What a batch writes of each scan: its formatting of the scan of a
// conversion into bytes (whose storage is reused from file to file), what
// its files are called, and whether they are Bruker files, which replace
// only Bruker RAW files. A caller may bring formats the engine does not
// know, such as a plot.
struct OutputWriter {
    FormatNames names;
    bool brukerFiles = false;
    std::function<void(const ScanRecord& scan, const Conversion& conversion, std::string& bytes)>
        format;
    // Throws the FileError format would throw for this scan, known from its
    // header alone, as a dry run asks; empty when the header tells nothing.
    std::function<void(const ScanRecord& header, const Conversion& conversion)> checkHeader;
};

// The data formats the engine writes, in the order the command line offers
// them; the first is the default.
inline constexpr OutputFormat engineFormats[] = {
    OutputFormat::TwoColumnAscii, OutputFormat::BrukerRaw, OutputFormat::Xye, OutputFormat::Cif};

// What the engine calls a format of its own.
FormatNames formatNames(OutputFormat format);

// The engine's own writer of a format, with the tube's wavelengths where
// the format records them.
OutputWriter engineWriter(OutputFormat format, Anode anode = Anode::Cu);

} // namespace scanmill
