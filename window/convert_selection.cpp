// SPDX-License-Identifier: MIT
#include "convert_selection.h"

#include "parallel_batch.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <utility>

namespace scanmill {
namespace {

std::vector<Conversion> conversionsOf(const FileSelection& selection,
                                      const std::string& outputDirectory, OutputFormat format,
                                      NameRule rule) {
    std::vector<Conversion> conversions;
    for (const std::string& name : selection.fileNames) {
        conversions.push_back(
            {selection.inputDirectory + name, outputDirectory + outputNameFor(name, format, rule)});
    }
    return conversions;
}

// A Bruker RAW file in a selection: the Open dialog's "*.raw" filter shows
// the program's own outputs beside the scans.
std::string skippedLine(const std::string& name) {
    return name + "     skipped: a Bruker RAW file";
}

} // namespace

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

BatchStopped::BatchStopped(const FileError& failure, std::size_t filesLeft)
    : FileError(failure.number(), failure.description()), filesLeft_(filesLeft) {}

void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log) {
    convertSelection(selection, format, log, NameRule::FirstDot);
}

void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log,
                      NameRule rule) {
    if (selection.inputDirectory.empty()) {
        log.append("No files have been selected.");
        return;
    }
    if (selection.outputDirectory.empty()) {
        selection.outputDirectory = selection.inputDirectory;
    }
    const std::vector<std::string>& names = selection.fileNames;
    const std::vector<Conversion> conversions =
        conversionsOf(selection, selection.outputDirectory, format, rule);
    if (const auto problems = findOutputProblems(conversions); !problems.empty()) {
        const OutputProblem& problem = problems.front();
        const std::string& output = conversions[problem.writer].outputPath;
        throw problem.kind == OutputProblem::Kind::Clash
            ? outputClashError(output, names[problem.other], names[problem.writer])
            : replacesInputError(output, names[problem.writer]);
    }

    ParallelBatch batch(conversions, format, defaultJobs());
    for (std::size_t index = 0; index < names.size(); ++index) {
        try {
            const CommittedFile committed = batch.commitNext();
            // Just committed: the input is as the batch read it, or it would
            // have failed.
            const std::string& input = conversions[index].inputPath;
            log.append(statusLine(names[index], format, outputNameFor(names[index], format, rule),
                                  committed.nonFinitePoints),
                       {input, platform::fileStatus(input)});
        } catch (const NotAScanError&) {
            log.append(skippedLine(names[index]));
        } catch (const FileError& error) {
            throw BatchStopped(error, names.size() - index - 1);
        }
    }
}

std::vector<OutputClash> clashesWholeNamesSeparate(const FileSelection& selection,
                                                   OutputFormat format) {
    const std::string& outputDirectory =
        selection.outputDirectory.empty() ? selection.inputDirectory : selection.outputDirectory;
    const std::vector<OutputProblem> problems =
        findOutputProblems(conversionsOf(selection, outputDirectory, format, NameRule::FirstDot));
    const bool onlyClashes =
        std::all_of(problems.begin(), problems.end(), [](const OutputProblem& problem) {
            return problem.kind == OutputProblem::Kind::Clash;
        });
    if (problems.empty() || !onlyClashes ||
        !findOutputProblems(conversionsOf(selection, outputDirectory, format, NameRule::KeepDots))
             .empty()) {
        return {};
    }
    // Each later writer is paired with the first writer of its file.
    const std::vector<std::string>& names = selection.fileNames;
    std::vector<OutputClash> clashes;
    std::vector<std::size_t> firstWriters;
    for (const OutputProblem& problem : problems) {
        const auto known = static_cast<std::size_t>(
            std::find(firstWriters.begin(), firstWriters.end(), problem.other) -
            firstWriters.begin());
        if (known == firstWriters.size()) {
            firstWriters.push_back(problem.other);
            clashes.push_back(
                {outputNameFor(names[problem.other], format), {names[problem.other]}});
        }
        clashes[known].inputNames.push_back(names[problem.writer]);
    }
    return clashes;
}

} // namespace scanmill
