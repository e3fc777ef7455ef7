// SPDX-License-Identifier: MIT
#pragma once

#include "parallel_batch.h"
#include "report.h"

#include <filesystem>
#include <vector>

namespace scanmill::cli {

// The output directory and the subdirectories mirrored below it, made before
// the files are written into them. Those the run made and left empty (every
// file for them failed, or the run was interrupted) are removed again at the
// end, so that a directory is only left where a file was written.
class OutputDirectories {
public:
    OutputDirectories() = default;
    ~OutputDirectories();
    OutputDirectories(const OutputDirectories&) = delete;
    OutputDirectories& operator=(const OutputDirectories&) = delete;

    // Makes the directory of every output; returns false after reporting
    // each one that could not be made.
    bool make(const std::vector<Conversion>& conversions, Report& report, bool failFast);

private:
    std::vector<std::filesystem::path> made_;
};

// Removes those of the directories that are empty, deepest first, so that a
// directory emptied of its empty subdirectories goes too.
void removeEmptyDirectories(std::vector<std::filesystem::path> directories);

} // namespace scanmill::cli
