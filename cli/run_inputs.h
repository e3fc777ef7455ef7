// SPDX-License-Identifier: MIT
#pragma once

#include "names.h"
#include "parallel_batch.h"
#include "scan_record.h"

#include <string>
#include <vector>

namespace scanmill::cli {

// What the paths named on the command line make of a run.
struct RunInputs {
    std::vector<Conversion> conversions; // in the order they are reported
    std::vector<bool> foundInDirectory;  // per conversion; false when named
    std::vector<FileError> failures;     // directories not listed, .raw files not to be read
    std::vector<std::string> notes;      // named directories that hold no .raw file
};

// A path that is a directory contributes its files ending in ".raw", in byte
// order of their names, and with `recursive` then those of each subdirectory
// in turn (symbolic links to directories are not followed, nor is the output
// directory where it lies in the tree). Any other path is converted whatever
// its name. Outputs are named by `rule` and go into outputDirectory, a
// directory's subdirectories mirrored below it, or, when it is empty, beside
// each input.
RunInputs findRunInputs(const std::vector<std::string>& paths, const std::string& outputDirectory,
                        bool recursive, std::string_view extension, NameRule rule);

} // namespace scanmill::cli
