// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "file_error.h"
#include "names.h"
#include "output_writer.h"
#include "overlap_check.h"
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
    Anode tube = Anode::Cu; // the tube it was converted with
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
// not written.
void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log);

// Selected files that the first-dot rule would write to one output file.
struct OutputClash {
    std::string outputName;
    std::vector<std::string> inputNames; // in selection order
};

// An output file that exists, and the selected file that would replace it.
struct OutputReplaced {
    std::string outputName;
    std::string inputName;
};

// One press of Convert, of a selection with files, its outputs named by
// `rule`: the files are looked at once, for the question and the
// conversion both.
class ConvertPress {
public:
    // tube is the one writer was made with, which each status line records.
    ConvertPress(const FileSelection& selection, OutputWriter writer, NameRule rule,
                 Anode tube = Anode::Cu);

    // Where the outputs go: the selection's output directory, or its input
    // directory when it has none.
    const std::string& outputDirectory() const { return outputDirectory_; }

    // The clashes of first-dot names, when whole names (NameRule::KeepDots)
    // keep every one apart, compared as the output directory compares
    // names, so that the window can offer them. Empty when nothing clashes,
    // when whole names would still clash, and when an output would replace
    // another selected file: run refuses those as ever. Writes nothing.
    std::vector<OutputClash> clashesWholeNamesSeparate() const;

    // Outputs that exist and may hold another scan, which a re-conversion
    // would replace: the input's name was cut at its first dot with more
    // after it ("Fe2O3_0.7mm.raw" to "Fe2O3_0.dat"), and the file's bytes
    // differ from what this press would write (an unchanged scan converted
    // again writes the same bytes and loses nothing). Only such inputs are
    // read for it. Empty where the press refuses its files anyway.
    std::vector<OutputReplaced> outputsOfOtherScans() const;

    // Converts as convertSelection does, into outputDirectory().
    void run(StatusLog& log) const;

private:
    std::vector<std::string> names_;
    std::string inputDirectory_;
    std::string outputDirectory_;
    OutputWriter writer_;
    NameRule rule_;
    Anode tube_;
    std::vector<Conversion> conversions_;
    std::vector<OutputProblem> problems_;
};

} // namespace scanmill
