// SPDX-License-Identifier: MIT
#pragma once

#include "file_error.h"
#include "names.h"
#include "platform.h"
#include "scan_record.h"

#include <cstddef>
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

// The failure that stopped a batch, and how many files of the press after
// the failing one were therefore not converted.
class BatchStopped : public FileError {
public:
    BatchStopped(const FileError& failure, std::size_t filesLeft);
    std::size_t filesLeft() const { return filesLeft_; }

private:
    std::size_t filesLeft_;
};

// The Convert command: converts the selected files in order into the output
// directory (filling it in from the input directory when empty) and logs one
// line per file, reading and formatting ahead on every core. Two files that
// would be written to one output file, and an output that would replace
// another selected file, are refused before anything is written (FileError).
// A Bruker RAW file, nearly always an earlier output, is skipped with a line
// of its own. Any other failure stops the batch and is thrown as
// BatchStopped; files before it are complete and logged, files after it are
// not written. Outputs are named by `rule`.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log, NameRule rule);

// Selected files that the first-dot rule would write to one output file.
struct OutputClash {
    std::string outputName;
    std::vector<std::string> inputNames; // in selection order
};

// The clashes of the selection's first-dot names, when whole names
// (NameRule::KeepDots) keep every one apart, compared as the output
// directory compares names, so that the window can offer them. Empty when
// nothing clashes, when whole names would still clash, and when an output
// would replace another selected file: convertSelection refuses those as
// ever. Looks at the files; writes nothing.
std::vector<OutputClash> clashesWholeNamesSeparate(const FileSelection& selection,
                                                   OutputFormat format);

} // namespace scanmill
