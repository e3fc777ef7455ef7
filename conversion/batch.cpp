// SPDX-License-Identifier: MIT
#include "batch.h"

#include "parallel_batch.h"

#include <algorithm>
#include <span>
#include <vector>

namespace scanmill {

std::string outputNameFor(const std::string& inputName, OutputFormat format, NameRule rule) {
    const auto dot = rule == NameRule::FirstDot ? inputName.find('.') : inputName.rfind('.');
    const std::string base = inputName.substr(0, dot);
    switch (format) {
    case OutputFormat::TwoColumnAscii:
        return base + ".dat";
    case OutputFormat::BrukerRaw:
        return base + "_b.raw";
    case OutputFormat::Xye:
        return base + ".xye";
    }
    return base;
}

std::string formatDescription(OutputFormat format) {
    switch (format) {
    case OutputFormat::TwoColumnAscii:
        return "2-column ASCII file";
    case OutputFormat::BrukerRaw:
        return "Bruker-AXS Diffrac Plus file";
    case OutputFormat::Xye:
        return "xye file";
    }
    return {};
}

std::string statusLine(const std::string& input, OutputFormat format, const std::string& output) {
    return input + "     converted to " + formatDescription(format) + "     " + output;
}

void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log) {
    if (selection.inputDirectory.empty()) {
        log.append("No files have been selected.");
        return;
    }
    if (selection.outputDirectory.empty()) {
        selection.outputDirectory = selection.inputDirectory;
    }
    const int count = std::clamp<int>(selection.fileCount, 0, selection.fileNames.size());
    const auto names = std::span(selection.fileNames).first(static_cast<std::size_t>(count));
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
        log.append(statusLine(names[index], format, outputNames[index]));
    }
}

} // namespace scanmill
