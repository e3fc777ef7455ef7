// SPDX-License-Identifier: MIT
#include "convert_selection.h"

#include "names.h"
#include "parallel_batch.h"

#include <utility>

namespace scanmill {

void StatusLog::append(std::string line, ConvertedInput input) {
    lines_.push_back(std::move(line));
    inputs_.push_back(std::move(input));
}

const std::vector<std::string>& StatusLog::lines() const {
    return lines_;
}

const std::vector<ConvertedInput>& StatusLog::inputs() const {
    return inputs_;
}

void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log) {
    if (selection.inputDirectory.empty()) {
        log.append("No files have been selected.");
        return;
    }
    if (selection.outputDirectory.empty()) {
        selection.outputDirectory = selection.inputDirectory;
    }
    const std::vector<std::string>& names = selection.fileNames;
    std::vector<std::string> outputNames;
    std::vector<Conversion> conversions;
    for (const std::string& name : names) {
        outputNames.push_back(outputNameFor(name, format));
        conversions.push_back(
            {selection.inputDirectory + name, selection.outputDirectory + outputNames.back()});
    }
    if (const auto problems = findOutputProblems(conversions); !problems.empty()) {
        const OutputProblem& problem = problems.front();
        const std::string& output = conversions[problem.writer].outputPath;
        throw problem.kind == OutputProblem::Kind::Clash
            ? outputClashError(output, names[problem.other], names[problem.writer])
            : replacesInputError(output, names[problem.writer]);
    }

    ParallelBatch batch(conversions, format, defaultJobs());
    for (std::size_t index = 0; index < names.size(); ++index) {
        batch.commitNext();
        // Just committed: the input is as the batch read it, or it would
        // have failed.
        const std::string& input = conversions[index].inputPath;
        log.append(statusLine(names[index], format, outputNames[index]),
                   {input, platform::fileStatus(input)});
    }
}

} // namespace scanmill
