// SPDX-License-Identifier: MIT
#include "convert_command.h"

#include "archive_index.h"
#include "names.h"
#include "parallel_batch.h"
#include "platform.h"
#include "program.h"
#include "report.h"
#include "rigaku_reader.h"
#include "run_inputs.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace scanmill::cli {
namespace {

struct FileStatuses {
    std::optional<platform::FileStatus> input;
    std::optional<platform::FileStatus> output;
};

// Runs lookUp(begin, end) over [0, count) on up to `jobs` threads: over an
// archive already converted, as -u runs nightly, look-ups are nearly all the
// work.
void lookUpOnThreads(std::size_t count, unsigned jobs,
                     const std::function<void(std::size_t, std::size_t)>& lookUp) {
    constexpr std::size_t filesPerThread = 1000; // fewer are not worth a thread
    const std::size_t threads = std::clamp<std::size_t>(count / filesPerThread, 1, jobs);
    const auto chunkStart = [&](std::size_t chunk) { return count * chunk / threads; };
    std::vector<std::jthread> workers;
    std::size_t chunk = 1;
    try {
        for (; chunk < threads; ++chunk) {
            workers.emplace_back(lookUp, chunkStart(chunk), chunkStart(chunk + 1));
        }
    } catch (const std::system_error&) {
        lookUp(chunkStart(chunk), count); // no more threads: the rest here
    }
    lookUp(0, chunkStart(1));
    workers.clear(); // joined before their look-ups are used
}

// Each conversion's two files as the system has them. An output directory
// whose first output is missing is listed once, and an output not in its
// listing is not looked up: a new archive's outputs are all missing, while
// an archive converted before, as -u runs nightly, has each looked up as
// it would be anyway. Inputs are looked up where something
// needs them: an output to compare their time or identity with (any output
// may be another spelling of any input), or a path named on the command
// line, which may be a pipe.
std::vector<FileStatuses> lookUpFiles(const RunInputs& inputs, unsigned jobs) {
    const std::vector<Conversion>& conversions = inputs.conversions;
    // The names in each output directory, as the system compares them; none
    // where it could not be listed.
    std::unordered_map<std::string, std::optional<std::unordered_set<std::string>>> listings;
    std::vector<const std::optional<std::unordered_set<std::string>>*> listingOf;
    listingOf.reserve(conversions.size());
    for (const Conversion& conversion : conversions) {
        const std::string& output = conversion.outputPath;
        const auto [listing, isNew] =
            listings.try_emplace(output.substr(0, output.find_last_of(pathSeparators) + 1));
        if (isNew && !platform::fileStatus(output)) {
            errno = 0;
            const auto entries =
                platform::listDirectory(listing->first.empty() ? "." : listing->first);
            if (entries || errno == ENOENT) {
                listing->second.emplace();
                for (const platform::DirectoryEntry& entry :
                     entries.value_or(std::vector<platform::DirectoryEntry>())) {
                    listing->second->insert(platform::fileNameKey(entry.name));
                }
            }
        }
        listingOf.push_back(&listing->second);
    }
    std::vector<FileStatuses> statuses(conversions.size());
    std::atomic<bool> anyOutput = false;
    lookUpOnThreads(conversions.size(), jobs, [&](std::size_t begin, std::size_t end) {
        for (std::size_t index = begin; index < end; ++index) {
            const std::string& output = conversions[index].outputPath;
            const auto& names = *listingOf[index];
            if (!names || names->contains(platform::fileNameKey(
                              output.substr(output.find_last_of(pathSeparators) + 1)))) {
                statuses[index].output = platform::fileStatus(output);
                anyOutput = anyOutput || statuses[index].output.has_value();
            }
        }
    });
    lookUpOnThreads(conversions.size(), jobs, [&](std::size_t begin, std::size_t end) {
        for (std::size_t index = begin; index < end; ++index) {
            if (anyOutput || !inputs.foundInDirectory[index]) {
                statuses[index].input = platform::fileStatus(conversions[index].inputPath);
            }
        }
    });
    return statuses;
}

std::string fileNameOf(const std::string& path) {
    return platform::fromPath(platform::toPath(path).filename());
}

// The failure for a problem the run finds before writing, with a pointer to
// --keep-dots where cutting the names at their last dot keeps them apart.
FileError problemError(const OutputProblem& problem, const std::vector<Conversion>& conversions,
                       const ConvertCommand& command) {
    if (problem.kind != OutputProblem::Kind::Clash || command.keepDots) {
        return problem.error;
    }
    // Compared as the output directory compares names: "A.raw" and "a.raw"
    // stay one file there where case is ignored, whatever their dots.
    PathKeys key;
    const auto keptPath = [&](std::size_t index) {
        const std::string& output = conversions[index].outputPath;
        return key(output.substr(0, output.find_last_of(pathSeparators) + 1) +
                   outputNameFor(fileNameOf(conversions[index].inputPath),
                                 command.writer.names.extension, NameRule::KeepDots));
    };
    if (keptPath(problem.writer) == keptPath(problem.other)) {
        return problem.error;
    }
    return FileError(problem.error.number(),
                     problem.error.description() + " (--keep-dots keeps their names apart)");
}

// The files a run goes on to convert, once those refused and those up to
// date are taken out.
struct Pending {
    std::vector<Conversion> conversions;
    // Up to date, so not converted, yet shown on the index page.
    std::vector<Conversion> upToDate;
    // A pipe, a socket or a device named on the command line: read as it
    // comes by a real run, never opened by a dry run, which would wait for
    // a writer and eat its data.
    std::vector<bool> readAsItComes;
};

// Whether an output is up to date by its time, as cp -u judges: not older
// than its input. Equal times on whole seconds tell nothing, as where a file
// system keeps whole seconds the input may have been written again after
// the output within that second (git's "racily clean" entries).
bool olderOrSame(const platform::FileStatus& input, const platform::FileStatus& output) {
    const bool wholeSeconds = input.modified % platform::fileTimeTicksPerSecond == 0;
    return input.modified < output.modified || (input.modified == output.modified && !wholeSeconds);
}

// Everything that keeps files from being written, found and reported before
// anything is: the inputs' failures, clashes and outputs over inputs. One
// look-up of each file serves that check and -u, which keeps a file whose
// output is a regular file not older than it, as cp -u judges, but never an
// empty one: what a power cut leaves of a new file.
Pending checkRun(const RunInputs& inputs, const ConvertCommand& command, Report& report,
                 Tally& tally, ArchiveIndex* indexPage) {
    const std::vector<Conversion>& found = inputs.conversions;
    for (const std::string& note : inputs.notes) {
        report.note(note);
    }
    for (const std::string& path : command.leftOut) {
        report.passedOver(path, "not a .raw file; left out");
        ++tally.skipped;
    }
    for (const FileError& failure : inputs.failures) {
        report.failed(failure);
        ++tally.failed;
        if (indexPage) {
            indexPage->addFailure(failure);
        }
    }
    const std::vector<FileStatuses> statuses =
        lookUpFiles(inputs, command.jobs == 0 ? defaultJobs() : command.jobs);
    std::vector<ConversionFiles> files;
    files.reserve(found.size());
    for (const auto& [input, output] : statuses) {
        files.push_back({input ? std::optional(input->identity) : std::nullopt,
                         output ? std::optional(output->identity) : std::nullopt});
    }
    std::vector<bool> refused(found.size());
    for (const OutputProblem& problem : findOutputProblems(found, files)) {
        const FileError error = problemError(problem, found, command);
        report.failed(error);
        if (indexPage && !refused[problem.writer]) {
            indexPage->addFailed(found[problem.writer].inputPath, error);
        }
        refused[problem.writer] = true;
        if (problem.kind == OutputProblem::Kind::Clash) {
            if (indexPage && !refused[problem.other]) {
                indexPage->addFailed(found[problem.other].inputPath, error);
            }
            refused[problem.other] = true;
        }
    }
    tally.failed += static_cast<std::size_t>(std::count(refused.begin(), refused.end(), true));

    Pending pending;
    for (std::size_t index = 0; index < found.size(); ++index) {
        const auto& [input, output] = statuses[index];
        if (refused[index]) {
            continue;
        }
        if (command.update && input && output && output->regular && output->size > 0 &&
            olderOrSame(*input, *output)) {
            ++tally.upToDate;
            pending.upToDate.push_back(found[index]);
            continue;
        }
        pending.conversions.push_back(found[index]);
        pending.conversions.back().outputMissing = !output;
        pending.readAsItComes.push_back(input && !input->regular && !input->directory);
    }
    return pending;
}

// A failure of one file, as the real run counts it: a Bruker file, nearly
// always an earlier output, is passed over wherever it came from (found in
// a directory, or named, as a shell's *.raw names it), any other failure
// counted. True when it was counted as a failure.
bool countFailure(const FileError& error, const Conversion& conversion, Report& report,
                  Tally& tally) {
    if (dynamic_cast<const NotAScanError*>(&error) != nullptr) {
        report.passedOver(conversion.inputPath, skippedBrukerText);
        ++tally.skipped;
        return false;
    }
    report.failed(error);
    ++tally.failed;
    return true;
}

// What the real run would do with each file, from its header and size and a
// look at its output and the output's directory, counted as convertAll
// counts; reads no point and writes nothing. Only what writing alone meets
// (a full disk, a file changed in between) is left to the real run.
void reportDryRun(const Pending& pending, const ConvertCommand& command, Report& report,
                  Tally& tally) {
    const OutputWriter& writer = command.writer;
    const std::string words =
        "     would be converted to " + std::string(writer.names.description) + "     ";
    for (std::size_t index = 0; index < pending.conversions.size(); ++index) {
        const Conversion& conversion = pending.conversions[index];
        try {
            std::string note;
            if (pending.readAsItComes[index]) {
                note = "  (not a regular file: read as it comes)";
            } else {
                const ScanRecord header = readRigakuHeader(conversion.inputPath);
                if (writer.checkHeader) {
                    writer.checkHeader(header, conversion);
                }
            }
            checkOutput(conversion, writer.brukerFiles, std::nullopt, true);
            report.converted(conversion.inputPath + words + conversion.outputPath + note);
            ++tally.converted;
        } catch (const FileError& error) {
            if (countFailure(error, conversion, report, tally) && command.failFast) {
                return;
            }
        }
    }
}

// Hands the entries of every directory a file was put into to its disk, once
// each; false after reporting each that could not be.
bool flushDirectories(const std::set<std::string>& directories, Report& report) {
    bool flushed = true;
    for (const std::string& directory : directories) {
        errno = 0;
        if (!platform::flushDirectoryToDisk(directory)) {
            report.failed(systemError(directory, lastErrorNumber()));
            flushed = false;
        }
    }
    return flushed;
}

// Converts the files in order, each reported as it is put in place; a Bruker
// file found in a directory is passed over, any other failure counted, and
// with --fail-fast the first one ends the run. With --sync, each output's
// data reaches its disk before its rename, and the directories it was
// renamed in do once the files are in place; false when one cannot.
bool convertAll(const Pending& pending, const ConvertCommand& command, Report& report, Tally& tally,
                ArchiveIndex* indexPage) {
    const std::vector<Conversion>& conversions = pending.conversions;
    // The index's card of each file, made where the file is formatted, from
    // the scan as it was read.
    std::vector<IndexCard> cards(indexPage ? conversions.size() : 0);
    OutputWriter writer = command.writer;
    if (indexPage) {
        writer.format = [&cards, &conversions, indexPage, format = std::move(writer.format)](
                            const ScanRecord& scan, const Conversion& conversion,
                            std::string& bytes) {
            format(scan, conversion, bytes);
            cards[static_cast<std::size_t>(&conversion - conversions.data())] =
                indexPage->cardOf(scan, conversion);
        };
    }
    // Directories under -o are made as their first file is put in place.
    ParallelBatch batch(
        conversions, std::move(writer), command.jobs == 0 ? defaultJobs() : command.jobs,
        {command.sync ? Durability::FlushedToDisk : Durability::AsTheSystemWrites, true});
    std::set<std::string> directories;
    const auto finish = [&] { return !command.sync || flushDirectories(directories, report); };
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        const Conversion& conversion = conversions[index];
        try {
            const CommittedFile committed = batch.commitNext();
            if (command.sync) {
                const std::string directory =
                    platform::fromPath(platform::toPath(conversion.outputPath).parent_path());
                directories.insert(directory.empty() ? "." : directory);
            }
            report.converted(statusLine(conversion.inputPath, command.writer.names.description,
                                        conversion.outputPath, committed.nonFinitePoints));
            ++tally.converted;
            if (indexPage) {
                // Its memory goes back to the worker that made it.
                indexPage->add(std::exchange(cards[index], {}));
            }
            if (report.outputClosed()) {
                return finish(); // as an interrupt: the temporaries made ahead go with the batch
            }
        } catch (const FileError& error) {
            const bool counted = countFailure(error, conversion, report, tally);
            if (counted && indexPage) {
                indexPage->addFailed(conversion.inputPath, error);
            }
            if (counted && command.failFast) {
                return finish();
            }
        }
        report.progress(index + 1, conversions.size());
    }
    return finish();
}

// The cards of scans whose outputs are up to date, read again for the page,
// so that a nightly -u run keeps showing the whole archive.
void addUpToDate(const std::vector<Conversion>& upToDate, ArchiveIndex& page) {
    for (const Conversion& conversion : upToDate) {
        try {
            page.add(page.cardOf(readRigakuRaw(conversion.inputPath), conversion));
        } catch (const FileError& error) {
            page.addFailed(conversion.inputPath, error);
        }
    }
}

} // namespace

int runConvertCommand(const ConvertCommand& command, std::FILE* out, std::FILE* err) {
    const RunInputs inputs = findRunInputs(
        command.paths, command.outputDirectory, command.recursive, command.writer.names.extension,
        command.keepDots ? NameRule::KeepDots : NameRule::FirstDot);
    Report report(out, err, command.quiet, command.verbose);
    Tally tally;
    bool allWritten = true; // with --sync, every directory flushed; the index written
    const auto finish = [&] {
        const bool reported = report.finish(tally, command.dryRun);
        return tally.failed > 0 || !allWritten || !reported ? exitFailed : exitConverted;
    };

    std::optional<ArchiveIndex> page;
    if (command.index && !command.dryRun) {
        page.emplace(command.outputDirectory, command.anode);
    }
    ArchiveIndex* indexPage = page ? &*page : nullptr;
    const Pending pending = checkRun(inputs, command, report, tally, indexPage);
    if (command.dryRun) {
        if (!command.failFast || tally.failed == 0) {
            reportDryRun(pending, command, report, tally);
        }
        return finish();
    }
    if (!command.failFast || tally.failed == 0) {
        allWritten = convertAll(pending, command, report, tally, indexPage);
    }
    if (page && !report.outputClosed()) {
        addUpToDate(pending.upToDate, *page);
        try {
            page->write(summaryText(tally, false));
        } catch (const FileError& error) {
            report.failed(error);
            allWritten = false; // the run failed, though no scan did
        }
    }
    const int status = finish();
    return report.outputClosed() ? exitOutputClosed : status;
}

} // namespace scanmill::cli
