// SPDX-License-Identifier: MIT
#include "convert_selection.h"

#include "parallel_batch.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>

namespace scanmill {
namespace {

std::vector<Conversion> conversionsOf(const std::vector<std::string>& names,
                                      const std::string& inputDirectory,
                                      const std::string& outputDirectory,
                                      std::string_view extension, NameRule rule) {
    std::vector<Conversion> conversions;
    conversions.reserve(names.size());
    for (const std::string& name : names) {
        conversions.push_back(
            {inputDirectory + name, outputDirectory + outputNameFor(name, extension, rule)});
    }
    return conversions;
}

// A Bruker RAW file in a selection: the Open dialog's "*.raw" filter shows
// the program's own outputs beside the scans.
std::string skippedLine(const std::string& name) {
    return name + "     " + skippedBrukerText;
}

// Whether the file at path holds exactly these bytes; false when it cannot
// be read, as then nobody can tell.
bool holdsBytes(const std::string& path, std::string_view bytes) {
    std::FILE* file = platform::openForReading(path);
    if (file == nullptr) {
        return false;
    }
    std::string chunk(64 * 1024, '\0');
    std::size_t compared = 0;
    bool same = true;
    while (same) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        same = !std::ferror(file) && compared + got <= bytes.size() &&
               bytes.compare(compared, got, std::string_view(chunk.data(), got)) == 0;
        compared += got;
        if (got < chunk.size()) {
            break;
        }
    }
    std::fclose(file);
    return same && compared == bytes.size();
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
    if (selection.inputDirectory.empty()) {
        log.append("No files have been selected.");
        return;
    }
    const ConvertPress press(selection, engineWriter(format), NameRule::FirstDot);
    selection.outputDirectory = press.outputDirectory();
    press.run(log);
}

ConvertPress::ConvertPress(const FileSelection& selection, OutputWriter writer, NameRule rule,
                           Anode tube)
    : names_(selection.fileNames), inputDirectory_(selection.inputDirectory),
      outputDirectory_(selection.outputDirectory.empty() ? selection.inputDirectory
                                                         : selection.outputDirectory),
      writer_(std::move(writer)), rule_(rule), tube_(tube),
      conversions_(
          conversionsOf(names_, inputDirectory_, outputDirectory_, writer_.names.extension, rule)),
      problems_(findOutputProblems(conversions_)) {}

void ConvertPress::run(StatusLog& log) const {
    if (!problems_.empty()) {
        const OutputProblem& problem = problems_.front();
        const std::string& output = conversions_[problem.writer].outputPath;
        throw problem.kind == OutputProblem::Kind::Clash
            ? outputClashError(output, names_[problem.other], names_[problem.writer])
            : replacesInputError(output, names_[problem.writer]);
    }
    ParallelBatch batch(conversions_, writer_, defaultJobs());
    for (std::size_t index = 0; index < names_.size(); ++index) {
        try {
            CommittedFile committed = batch.commitNext();
            log.append(statusLine(names_[index], writer_.names.description,
                                  outputNameFor(names_[index], writer_.names.extension, rule_),
                                  committed.nonFinitePoints),
                       {conversions_[index].inputPath, std::move(committed.input), tube_});
        } catch (const NotAScanError&) {
            log.append(skippedLine(names_[index]));
        } catch (const FileError& error) {
            throw BatchStopped(error, names_.size() - index - 1);
        }
    }
}

std::vector<OutputClash> ConvertPress::clashesWholeNamesSeparate() const {
    const bool onlyClashes =
        std::all_of(problems_.begin(), problems_.end(), [](const OutputProblem& problem) {
            return problem.kind == OutputProblem::Kind::Clash;
        });
    if (problems_.empty() || !onlyClashes || rule_ == NameRule::KeepDots ||
        !findOutputProblems(conversionsOf(names_, inputDirectory_, outputDirectory_,
                                          writer_.names.extension, NameRule::KeepDots))
             .empty()) {
        return {};
    }
    // Each later writer is paired with the first writer of its file.
    std::vector<OutputClash> clashes;
    std::vector<std::size_t> firstWriters;
    for (const OutputProblem& problem : problems_) {
        const auto known = static_cast<std::size_t>(
            std::find(firstWriters.begin(), firstWriters.end(), problem.other) -
            firstWriters.begin());
        if (known == firstWriters.size()) {
            firstWriters.push_back(problem.other);
            clashes.push_back({outputNameFor(names_[problem.other], writer_.names.extension),
                               {names_[problem.other]}});
        }
        clashes[known].inputNames.push_back(names_[problem.writer]);
    }
    return clashes;
}

std::vector<OutputReplaced> ConvertPress::outputsOfOtherScans() const {
    std::vector<OutputReplaced> replaced;
    if (!problems_.empty() || rule_ != NameRule::FirstDot) {
        return replaced;
    }
    std::string bytes;
    for (std::size_t index = 0; index < names_.size(); ++index) {
        const std::string& name = names_[index];
        const Conversion& conversion = conversions_[index];
        if (outputNameFor(name, writer_.names.extension, NameRule::FirstDot) ==
                outputNameFor(name, writer_.names.extension, NameRule::KeepDots) ||
            !platform::fileStatus(conversion.outputPath)) {
            continue;
        }
        try {
            writer_.format(readRigakuRaw(conversion.inputPath), conversion, bytes);
        } catch (const FileError&) {
            continue; // not converted either: the press reports why
        }
        if (!holdsBytes(conversion.outputPath, bytes)) {
            replaced.push_back({outputNameFor(name, writer_.names.extension, rule_), name});
        }
    }
    return replaced;
}

} // namespace scanmill
