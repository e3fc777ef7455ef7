// SPDX-License-Identifier: MIT
#pragma once

// The window's Convert command, and selections for it made as the input
// Browse button makes them.

#include "convert_selection.h"
#include "scan_files.h"

#include <filesystem>
#include <string>
#include <vector>

namespace scanmill::testing {

// The selection of these names in inputDirectory, and the output directory
// when one is given.
inline FileSelection selectionOf(const std::filesystem::path& inputDirectory,
                                 const std::vector<std::string>& names,
                                 const std::filesystem::path& outputDirectory = {}) {
    FileSelection selection;
    selection.fileNames = names;
    selection.inputDirectory = inputDirectory.string() + pathSeparator;
    if (!outputDirectory.empty()) {
        selection.outputDirectory = outputDirectory.string() + pathSeparator;
    }
    return selection;
}

// The name of an input's output in one of the engine's formats.
inline std::string outputNameFor(const std::string& input, OutputFormat format,
                                 NameRule rule = NameRule::FirstDot) {
    return scanmill::outputNameFor(input, formatNames(format).extension, rule);
}

} // namespace scanmill::testing
