// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "scan_record.h"

#include <cstddef>
#include <optional>
#include <string>

namespace scanmill {

// The 2-theta range of a scan as pdCIF gives it: min is the start and inc
// the step, each the single written in its shortest form, and max is
// min + (points - 1) * inc in double, from those texts. GSAS-II counts a
// block's points as 1 + int(0.5 + (max - min) / inc) and wants exactly that
// many values; none where the range cannot give `points` back that way
// (fewer than 2 points, a step that is not positive, or one lost in the size
// of the start).
struct PdCifRange {
    std::string min;
    std::string max;
    std::string inc;
};
std::optional<PdCifRange> pdCifRange(float start, float step, std::size_t points);

// The range of a scan of `points` points, or the FileError (EINVAL) naming
// inputPath and the cause: "x.raw: cannot be written as pdCIF: 1 point,
// where a range needs at least 2". A dry run asks it of the header alone.
PdCifRange checkPdCifRange(const ScanRecord& scan, std::size_t points,
                           const std::string& inputPath);

// The scan as one CIF 1.1 powder data block, in the narrow form that
// GSAS-II, xylib, FOX, MAUD and EXPO all read as it is: "data_" and the
// output's name (outputPath without its extension, characters beyond
// letters, digits, "-", "." and "_" as "_", cut to 75); comment lines with
// the title, the date and time, the step time and the tube, escaped to
// printable ASCII; the wavelength (K-alpha1), the point count and the range;
// then one final loop of the counts alone, in their shortest form, "?" for
// a value that is not finite. Lines are ASCII of at most 80 characters, a
// longer comment cut and ending in "...". Throws checkPdCifRange's failure.
void formatPdCif(const ScanRecord& scan, const std::string& inputPath,
                 const std::string& outputPath, std::string& text, Anode anode = Anode::Cu);
std::string formatPdCif(const ScanRecord& scan, const std::string& inputPath,
                        const std::string& outputPath, Anode anode = Anode::Cu);

} // namespace scanmill
