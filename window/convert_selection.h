// SPDX-License-Identifier: MIT
#pragma once

#include "platform.h"
#include "scan_record.h"

#include <optional>
#include <string>
#include <vector>

namespace scanmill {

// What the window's Browse buttons chose; Convert works from it.
struct FileSelection {
    std::vector<std::string> fileNames;
    std::string outputDirectory; // empty, or ends with the separator
    std::string inputDirectory;  // empty means nothing selected
};

// The input file a status line stands for, as it was when converted; a
// notice stands for none (empty path).
struct ConvertedInput {
    std::string path;
    std::optional<platform::FileStatus> status;
};

// The status list: lines are only ever added at the end.
class StatusLog {
public:
    void append(std::string line, ConvertedInput input = {});
    const std::vector<std::string>& lines() const;
    // One for each line, in the same order.
    const std::vector<ConvertedInput>& inputs() const;

private:
    std::vector<std::string> lines_;
    std::vector<ConvertedInput> inputs_;
};

// The Convert command: converts the selected files in order into the output
// directory (filling it in from the input directory when empty) and logs one
// line per file, reading and formatting ahead on every core. Two files that
// would be written to one output file, and an output that would replace
// another selected file, are refused before anything is written. The first
// failure stops the batch and is thrown as FileError; files before it are
// complete and logged, files after it are not written.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);

} // namespace scanmill
